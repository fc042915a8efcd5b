#pragma once

// Figures of a picture's quality, shared by the tests (at small sizes) and the quality benchmark
// (at full size): how far its edges lie from an ideal picture's, the contrast of fine stripes,
// and straight-alpha compositing.

#include "camera/camera.h"
#include "gl/offscreen_target.h"
#include "render/frame_passes.h"
#include "render/pass_accumulator.h"
#include "render/render_to_buffer.h"

#include <QImage>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <functional>
#include <limits>
#include <vector>

namespace cartonic::test {

// Red, green and blue of each pixel, 0..255 as real numbers, top row first.
struct RgbPlane {
    int width = 0;
    int height = 0;
    std::vector<float> rgb;

    float at(int x, int y, int c) const {
        return rgb[(static_cast<std::size_t>(y) * width + x) * 3 + c];
    }
};

// The ideal picture a rendering at factor times the size approximates: each pixel the mean of the
// factor x factor block of big it covers.
inline RgbPlane boxReduced(const RgbaPicture& big, int factor) {
    RgbPlane out{big.width / factor, big.height / factor, {}};
    out.rgb.assign(static_cast<std::size_t>(out.width) * out.height * 3, 0.0f);
    const float area = static_cast<float>(factor * factor);
    for (int y = 0; y < out.height * factor; ++y) {
        const std::uint8_t* row = big.rgba.data() + static_cast<std::size_t>(y) * big.width * 4;
        float* sums = out.rgb.data() + static_cast<std::size_t>(y / factor) * out.width * 3;
        for (int x = 0; x < out.width * factor; ++x) {
            for (int c = 0; c < 3; ++c) {
                sums[(x / factor) * 3 + c] += row[x * 4 + c] / area;
            }
        }
    }
    return out;
}

// Pixels whose colour differs from a neighbour's by more than this in some channel lie on an edge.
inline constexpr float kEdgeStep = 24.0f;
// How far from an edge a pixel still counts as near it.
inline constexpr int kEdgeReach = 2;

// The mean absolute difference, over the channels of the pixels within kEdgeReach pixels of an
// edge of reference, between picture and reference (0..255); the edges are where aliasing shows.
inline double edgeError(const RgbaPicture& picture, const RgbPlane& reference,
                        const RgbPlane* shapes = nullptr) {
    const int w = reference.width;
    const int h = reference.height;
    const RgbPlane& edges = shapes ? *shapes : reference;
    std::vector<std::uint8_t> edge(static_cast<std::size_t>(w) * h, 0);
    const auto steps = [&](int x0, int y0, int x1, int y1) {
        for (int c = 0; c < 3; ++c) {
            if (std::abs(edges.at(x0, y0, c) - edges.at(x1, y1, c)) > kEdgeStep) {
                return true;
            }
        }
        return false;
    };
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            if ((x + 1 < w && steps(x, y, x + 1, y)) || (y + 1 < h && steps(x, y, x, y + 1))) {
                edge[static_cast<std::size_t>(y) * w + x] = 1;
            }
        }
    }
    double sum = 0.0;
    long long counted = 0;
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            bool near = false;
            for (int dy = -kEdgeReach; dy <= kEdgeReach && !near; ++dy) {
                for (int dx = -kEdgeReach; dx <= kEdgeReach && !near; ++dx) {
                    const int nx = x + dx;
                    const int ny = y + dy;
                    near = nx >= 0 && ny >= 0 && nx < w && ny < h &&
                           edge[static_cast<std::size_t>(ny) * w + nx] != 0;
                }
            }
            if (!near) {
                continue;
            }
            const std::uint8_t* p =
                picture.rgba.data() + (static_cast<std::size_t>(y) * picture.width + x) * 4;
            for (int c = 0; c < 3; ++c) {
                sum += std::abs(p[c] - reference.at(x, y, c));
            }
            counted += 3;
        }
    }
    return counted == 0 ? 0.0 : sum / static_cast<double>(counted);
}

// Michelson contrast (max - min) / (max + min) of the green channel in the block of picture
// from (x, y), w x h pixels, with max and min the means of the brightest and darkest quarter of
// the block's pixels: stripes fully resolved give 1, a uniform grey 0.
inline double stripeContrast(const RgbaPicture& picture, int x, int y, int w, int h) {
    std::vector<int> values;
    for (int row = y; row < y + h; ++row) {
        for (int col = x; col < x + w; ++col) {
            values.push_back(
                picture.rgba[(static_cast<std::size_t>(row) * picture.width + col) * 4 + 1]);
        }
    }
    std::sort(values.begin(), values.end());
    const std::size_t quarter = std::max<std::size_t>(1, values.size() / 4);
    double low = 0.0;
    double high = 0.0;
    for (std::size_t i = 0; i < quarter; ++i) {
        low += values[i];
        high += values[values.size() - 1 - i];
    }
    return high + low == 0.0 ? 0.0 : (high - low) / (high + low);
}

// The frame of data over backdrop (background and floor in it), as camera sees it at width x
// height, in every pass of a picture of samples a pixel, top row first: what a transparent picture
// laid over that colour shows. Needs a current context with initGLState done.
inline RgbaPicture sceneOver(const ProjectData& data, const SceneTextures& textures,
                             const Camera& camera, int width, int height, int samples,
                             const Rgb& backdrop) {
    const PassPlan plan = picturePasses(samples);
    auto target = gl::OffscreenTarget::create(width, height, plan.perPass).value;
    RgbaPicture out{width, height, {}};
    std::vector<std::uint32_t> sums(static_cast<std::size_t>(width) * height * 4, 0);
    for (int pass = 0; pass < plan.passes; ++pass) {
        target->bind();
        drawPass(data, textures, {.backdrop = &backdrop, .lightMarker = false}, camera,
                 {width, height}, plan, pass);
        const std::vector<std::uint8_t> frame = target->readRgba();
        std::transform(sums.begin(), sums.end(), frame.begin(), sums.begin(), std::plus<>());
    }
    for (const std::uint32_t sum : sums) {
        out.rgba.push_back(static_cast<std::uint8_t>((2 * sum + plan.passes) / (2 * plan.passes)));
    }
    return out;
}

// The live view's picture of data once it has refined itself: every pass of refinePlan summed
// (pass_accumulator.h), as camera sees it at width x height with textures, without the editor's
// handles, top row first. Empty when the targets cannot be made. Needs a current context with
// initGLState done.
inline RgbaPicture refinedView(const ProjectData& data, const SceneTextures& textures,
                               const Camera& camera, int width, int height) {
    auto shown = gl::OffscreenTarget::create(width, height);
    PassAccumulator accumulator;
    if (!shown || !accumulator.start(width, height)) {
        return {};
    }
    const PassPlan plan = refinePlan();
    const FrameOptions options{.lightMarker = false};
    for (int pass = 0; pass < plan.passes; ++pass) {
        accumulator.add([&] {
            drawPass(data, textures, options, camera, {width, height, 0, 0}, plan, pass);
        });
    }
    accumulator.show(shown.value->framebuffer());
    return {width, height, shown.value->readRgba(), false};
}

// Vertical black and white stripes, each stripe pixels wide, starting with black.
inline QImage stripes(int width, int height, int stripe) {
    QImage picture(width, height, QImage::Format_RGB32);
    for (int y = 0; y < height; ++y) {
        auto* row = reinterpret_cast<QRgb*>(picture.scanLine(y));
        for (int x = 0; x < width; ++x) {
            row[x] = (x / stripe) % 2 == 0 ? qRgb(0, 0, 0) : qRgb(255, 255, 255);
        }
    }
    return picture;
}

// A camera looking straight at the front face of a box of half sides 1 (x from -1 to 1, z from 0
// to 2, at y = -1) for a square picture, from where the face's height is fill times the
// picture's.
inline Camera facingFront(float fill) {
    Camera camera;
    camera.upVector = kStartUpVector;
    // The lens sees a height of tan(fov) at unit distance; the face is 2 high.
    const float distance = 2.0f / (fill * std::tan(camera.fov * 3.14159265f / 180.0f));
    camera.moveBy(0.0f, -1.0f - distance, 1.0f);
    camera.lookAt(0.0f, 0.0f, 1.0f);
    camera.setViewSize(1, 1);
    return camera;
}

// Where camera puts world point p in a width x height picture: pixels from the left and from the
// top.
inline std::array<double, 2> pictureAt(const Camera& camera, const std::array<double, 3>& p,
                                       int width, int height) {
    const std::array<float, 16> m = camera.projectionMatrix();
    double clip[4] = {};
    for (int r = 0; r < 4; ++r) {
        clip[r] = m[r] * p[0] + m[4 + r] * p[1] + m[8 + r] * p[2] + m[12 + r];
    }
    return {(clip[0] / clip[3] + 1.0) / 2.0 * width, (1.0 - clip[1] / clip[3]) / 2.0 * height};
}

// How much darker each floor pixel of shaded is than the floor at the left end of its row, 0 (as
// light) to 1 (black), from the mean of the three channels; the floor's colour changes only from
// row to row (a translucent floor over a vertical gradient). Floor pixels are those that are
// white, with all their neighbours, in opaque: the same frame with an opaque white floor. Others
// are NaN.
struct Darkening {
    int width = 0;
    int height = 0;
    std::vector<double> values;

    Darkening(const RgbaPicture& shaded, const RgbaPicture& opaque)
        : width(shaded.width), height(shaded.height),
          values(shaded.rgba.size() / 4, std::numeric_limits<double>::quiet_NaN()) {
        const auto sum = [](const RgbaPicture& p, int x, int y) {
            const std::size_t i = (static_cast<std::size_t>(y) * p.width + x) * 4;
            return double(p.rgba[i]) + p.rgba[i + 1] + p.rgba[i + 2];
        };
        constexpr double kWhite = 3 * 255.0;
        for (int y = 1; y + 1 < height; ++y) {
            const double light = sum(shaded, 1, y);
            for (int x = 1; x + 1 < width; ++x) {
                bool floor = light > 0.0;
                for (int dy = -1; dy <= 1; ++dy) {
                    for (int dx = -1; dx <= 1; ++dx) {
                        floor = floor && sum(opaque, x + dx, y + dy) == kWhite;
                    }
                }
                if (floor) {
                    values[static_cast<std::size_t>(y) * width + x] =
                        std::clamp(1.0 - sum(shaded, x, y) / light, 0.0, 1.0);
                }
            }
        }
    }
    // Bilinear between pixel centres; NaN outside the floor.
    double at(double x, double y) const {
        const int x0 = static_cast<int>(std::floor(x));
        const int y0 = static_cast<int>(std::floor(y));
        if (x0 < 0 || y0 < 0 || x0 + 1 >= width || y0 + 1 >= height) {
            return std::numeric_limits<double>::quiet_NaN();
        }
        const double fx = x - x0;
        const double fy = y - y0;
        const auto v = [&](int dx, int dy) {
            return values[static_cast<std::size_t>(y0 + dy) * width + x0 + dx];
        };
        return (1 - fy) * ((1 - fx) * v(0, 0) + fx * v(1, 0)) +
               fy * ((1 - fx) * v(0, 1) + fx * v(1, 1));
    }
    double darkest() const {
        double most = 0.0;
        for (double v : values) {
            most = std::isnan(v) ? most : std::max(most, v);
        }
        return most;
    }
};

// A shadow's edge where it crosses half the shadow's full darkening: where it lies, and how many
// pixels it takes to go from 10 % to 90 % of that darkening across the edge.
struct ShadowEdge {
    double x = 0.0;
    double y = 0.0;
    double width = 0.0;
};

// The edges of the shadow in d whose full darkening is full, measured at pixels every step
// pixels along them; where the gradient points nowhere clear, or the walk across the edge leaves
// the floor, nothing is measured.
inline std::vector<ShadowEdge> shadowEdges(const Darkening& d, double full, int step = 4) {
    std::vector<ShadowEdge> edges;
    constexpr double kStepAlong = 0.125; // pixels, walking across the edge
    constexpr double kMaxWalk = 200.0;
    for (int y = 1; y + 1 < d.height; y += step) {
        for (int x = 1; x + 1 < d.width; ++x) {
            const double here = d.at(x, y);
            const double right = d.at(x + 1, y);
            if (!((here - full / 2) * (right - full / 2) <= 0) || here == right) {
                continue;
            }
            double gx = (d.at(x + 1, y) - d.at(x - 1, y)) / 2;
            double gy = (d.at(x, y + 1) - d.at(x, y - 1)) / 2;
            const double g = std::hypot(gx, gy);
            if (g < 1e-6) {
                continue;
            }
            gx /= g;
            gy /= g;
            // From the crossing, into the light until 10 % and into the shadow until 90 %.
            if (std::isnan(gx) || std::isnan(gy)) {
                continue;
            }
            const auto walk = [&](double sign, auto past) {
                double along = 0.0;
                for (double v = here; along < kMaxWalk; along += kStepAlong) {
                    v = d.at(x + sign * gx * along, y + sign * gy * along);
                    if (std::isnan(v)) {
                        return kMaxWalk;
                    }
                    if (past(v)) {
                        break;
                    }
                }
                return along;
            };
            const double lighter = walk(-1.0, [&](double v) { return v <= 0.1 * full; });
            const double darker = walk(1.0, [&](double v) { return v >= 0.9 * full; });
            if (lighter < kMaxWalk && darker < kMaxWalk) {
                edges.push_back({static_cast<double>(x), static_cast<double>(y), lighter + darker});
            }
        }
    }
    return edges;
}

} // namespace cartonic::test
