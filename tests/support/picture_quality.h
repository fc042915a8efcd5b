#pragma once

// Figures of a picture's quality, shared by the tests (at small sizes) and the quality benchmark
// (at full size): how far its edges lie from an ideal picture's, the contrast of fine stripes,
// and straight-alpha compositing.

#include "camera/camera.h"
#include "gl/offscreen_target.h"
#include "render/frame_passes.h"
#include "render/render_to_buffer.h"

#include <QImage>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <functional>
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

} // namespace cartonic::test
