#include "render/render_to_buffer.h"

#include "gl/offscreen_target.h"
#include "image/picture_reduction.h"
#include "render/scene_renderer.h"

#include <GL/gl.h>

#include <algorithm>
#include <cmath>
#include <functional>
#include <memory>
#include <optional>

namespace cartonic {

namespace {

// Samples one tile holds: 1024 x 1024 single-sampled, 512 x 512 at four samples, 8 MB of colour,
// depth and stencil. Software rasterisers draw a multisampled frame fastest in such tiles (their
// buffers stay in the caches), and the frame's few state changes cost little per tile.
constexpr std::int64_t kTileSamples = std::int64_t{1024} * 1024;

struct TileSize {
    int width;
    int height;
};

TileSize tileSize(int width, int height, int samples) {
    const std::int64_t pixels = kTileSamples / std::max(1, samples);
    const int side = static_cast<int>(std::sqrt(static_cast<double>(pixels)));
    const int tileHeight = std::min(height, side);
    // A short picture takes its tiles as wide as the budget allows.
    const int tileWidth = static_cast<int>(std::min<std::int64_t>(width, pixels / tileHeight));
    return {tileWidth, tileHeight};
}

// The camera's projection, moved by (dx, dy) pixels of a width x height picture.
void applyShiftedProjection(const Camera& camera, float dx, float dy, int width, int height) {
    camera.applyProjection();
    if (dx == 0.0f && dy == 0.0f) {
        return;
    }
    GLfloat projection[16];
    glMatrixMode(GL_PROJECTION);
    glGetFloatv(GL_PROJECTION_MATRIX, projection);
    glLoadIdentity();
    glTranslatef(2.0f * dx / static_cast<float>(width), 2.0f * dy / static_cast<float>(height),
                 0.0f);
    glMultMatrixf(projection);
    glMatrixMode(GL_MODELVIEW);
}

// The backdrops a transparent picture is worked out from.
constexpr Rgb kBlack = {0.0f, 0.0f, 0.0f};
constexpr Rgb kWhite = {1.0f, 1.0f, 1.0f};
constexpr double kFullSixteen = 65535.0;
constexpr double kFullEight = 255.0;

std::uint8_t toByte(double unit) {
    return static_cast<std::uint8_t>(std::lround(std::clamp(unit, 0.0, 1.0) * kFullEight));
}

// Draws a picture tile by tile. More samples a pixel than the context's multisampling gives are
// had in passes, each shifted a fraction of a pixel along the diagonal, and averaged: with a
// pattern whose samples sit in distinct rows and columns (as the usual ones do), the passes'
// samples then fill the rows and columns between.
//
// A transparent picture is drawn over black and over white (drawFrame's backdrop), in 16 bits a
// channel: a pixel p over backdrop c is a x + (1 - a) c, so the difference gives its opacity a and
// the picture over black its colour x.
class TiledRender {
public:
    TiledRender(const ProjectData& data, const SceneTextures& textures, const Camera& camera,
                RgbaPicture& out, int samples, bool transparent)
        : data_(data), textures_(textures), camera_(camera), out_(out), transparent_(transparent) {
        const int most = gl::OffscreenTarget::maxSamples();
        perPass_ = std::min(samples, most);
        passes_ = (samples + perPass_ - 1) / perPass_;
    }

    Status run() {
        const TileSize tile = tileSize(out_.width, out_.height, perPass_);
        auto made = gl::OffscreenTarget::create(tile.width, tile.height, perPass_,
                                                transparent_ ? gl::ColourBits::Sixteen
                                                             : gl::ColourBits::Eight);
        if (!made) {
            return made.status;
        }
        target_ = std::move(made.value);
        const std::size_t values = static_cast<std::size_t>(tile.width) * tile.height * kRgbaBytes;
        if (transparent_) {
            wide_.resize(values);
        } else if (passes_ > 1) {
            narrow_.resize(values);
        }
        if (transparent_ || passes_ > 1) {
            sums_.resize(values * (transparent_ ? 2 : 1));
        }
        // Tiles in OpenGL's rows, from the bottom of the picture.
        for (int y = 0; y < out_.height; y += tile.height) {
            const int h = std::min(tile.height, out_.height - y);
            for (int x = 0; x < out_.width; x += tile.width) {
                drawTile(x, y, std::min(tile.width, out_.width - x), h);
            }
        }
        target_.reset();
        out_.transparent = transparent_;
        return {};
    }

private:
    void drawPass(int x, int y, int pass, const Rgb* backdrop) {
        target_->bind();
        glViewport(-x, -y, out_.width, out_.height);
        glMatrixMode(GL_MODELVIEW);
        glLoadIdentity();
        const float shift =
            passes_ == 1 ? 0.0f
                         : (static_cast<float>(pass) - 0.5f * static_cast<float>(passes_ - 1)) /
                               static_cast<float>(passes_ * perPass_);
        applyShiftedProjection(camera_, shift, shift, out_.width, out_.height);
        drawFrame(data_, textures_, {.outlinedFace = kNoOutline, .backdrop = backdrop});
    }

    // The tile's top-left pixel in the picture.
    std::uint8_t* pictureAt(int x, int y, int h) {
        const std::size_t topRow = static_cast<std::size_t>(out_.height - y - h);
        return out_.rgba.data() + (topRow * static_cast<std::size_t>(out_.width) + x) * kRgbaBytes;
    }

    // Every pass of the tile over backdrop, read and added into sums.
    void addPasses(int x, int y, int w, int h, const Rgb* backdrop, std::uint32_t* sums) {
        const std::size_t values = static_cast<std::size_t>(w) * h * kRgbaBytes;
        std::fill(sums, sums + values, 0u);
        for (int pass = 0; pass < passes_; ++pass) {
            drawPass(x, y, pass, backdrop);
            if (transparent_) {
                target_->readBlock(0, 0, w, h, wide_.data(), w, true);
                std::transform(sums, sums + values, wide_.begin(), sums, std::plus<>());
            } else {
                target_->readBlock(0, 0, w, h, narrow_.data(), w, true);
                std::transform(sums, sums + values, narrow_.begin(), sums, std::plus<>());
            }
        }
    }

    void drawTile(int x, int y, int w, int h) {
        std::uint8_t* at = pictureAt(x, y, h);
        if (!transparent_ && passes_ == 1) {
            drawPass(x, y, 0, nullptr);
            target_->readBlock(0, 0, w, h, at, out_.width, true);
            return;
        }
        const std::size_t values = static_cast<std::size_t>(w) * h * kRgbaBytes;
        std::uint32_t* overBlack = sums_.data();
        std::uint32_t* overWhite = sums_.data() + values;
        addPasses(x, y, w, h, transparent_ ? &kBlack : nullptr, overBlack);
        if (transparent_) {
            addPasses(x, y, w, h, &kWhite, overWhite);
        }
        const double full = (transparent_ ? kFullSixteen : kFullEight) * passes_;
        for (int r = 0; r < h; ++r) {
            std::uint8_t* to = at + static_cast<std::size_t>(r) * out_.width * kRgbaBytes;
            const std::size_t first = static_cast<std::size_t>(r) * w * kRgbaBytes;
            for (int c = 0; c < w; ++c) {
                const std::size_t i = first + static_cast<std::size_t>(c) * kRgbaBytes;
                std::uint8_t* pixel = to + static_cast<std::size_t>(c) * kRgbaBytes;
                if (!transparent_) {
                    for (int k = 0; k < kRgbaBytes; ++k) {
                        pixel[k] = toByte(overBlack[i + k] / full);
                    }
                    continue;
                }
                double seeThrough = 0.0;
                for (int k = 0; k < 3; ++k) {
                    seeThrough += (static_cast<double>(overWhite[i + k]) - overBlack[i + k]) / full;
                }
                pixel[3] = toByte(1.0 - seeThrough / 3.0);
                // Divided by the opacity as written, so that the colour times it is exactly the
                // picture over black before rounding.
                const double opacity = pixel[3] / kFullEight;
                for (int k = 0; k < 3; ++k) {
                    pixel[k] = opacity == 0.0 ? 0 : toByte(overBlack[i + k] / full / opacity);
                }
            }
        }
    }

    const ProjectData& data_;
    const SceneTextures& textures_;
    const Camera& camera_;
    RgbaPicture& out_;
    bool transparent_ = false;
    int perPass_ = 1;
    int passes_ = 1;
    std::unique_ptr<gl::OffscreenTarget> target_;
    std::vector<std::uint8_t> narrow_;
    std::vector<std::uint16_t> wide_;
    std::vector<std::uint32_t> sums_;
};

} // namespace

Status renderToBuffer(const ProjectData& data, const SceneTextures& textures, const Camera& camera,
                      int width, int height, RgbaPicture& out, const RenderSettings& settings) {
    // Each tile sees the whole picture's viewport, shifted so that its part lands on the tile.
    GLint largest[2] = {};
    glGetIntegerv(GL_MAX_VIEWPORT_DIMS, largest);
    const int maxSide = std::min(largest[0], largest[1]);
    if (width < 1 || height < 1 || width > maxSide || height > maxSide) {
        return Status(width < 1 || height < 1 ? Status::Kind::Usage : Status::Kind::TooLarge,
                      "picture size " + std::to_string(width) + "x" + std::to_string(height) +
                          " is outside 1.." + std::to_string(maxSide));
    }
    GLint viewport[4] = {};
    glGetIntegerv(GL_VIEWPORT, viewport);
    out.width = width;
    out.height = height;
    out.rgba.assign(static_cast<std::size_t>(width) * kRgbaBytes * static_cast<std::size_t>(height),
                    0);

    std::optional<ExportTextures> exportTextures;
    if (settings.pictures) {
        exportTextures.emplace(data, textures, *settings.pictures, camera, width, height,
                               settings.notes);
    }
    const SceneTextures drawn = exportTextures ? exportTextures->over(textures) : textures;
    // The view switches multisampling off for aliased frames; the picture has its own samples.
    const GLboolean multisampling = glIsEnabled(GL_MULTISAMPLE);
    glEnable(GL_MULTISAMPLE);
    TiledRender render(data, drawn, camera, out, std::max(settings.samples, 1),
                       settings.transparent);
    Status rendered = render.run();
    if (!multisampling) {
        glDisable(GL_MULTISAMPLE);
    }
    exportTextures.reset();
    glGetError(); // a failed draw shows in the picture; there is nothing more to do about it
    glViewport(viewport[0], viewport[1], viewport[2], viewport[3]);
    return rendered;
}

} // namespace cartonic
