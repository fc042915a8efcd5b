#include "render/render_to_buffer.h"

#include "gl/offscreen_target.h"
#include "image/picture_reduction.h"
#include "render/frame_passes.h"
#include "render/scene_renderer.h"
#include "render/tile_passes.h"

#include <GL/gl.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
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

// The backdrops a transparent picture is worked out from.
constexpr Rgb kBlack = {0.0f, 0.0f, 0.0f};
constexpr Rgb kWhite = {1.0f, 1.0f, 1.0f};

// A block of a tile takes the passes after the first round when a pixel of one of its first-round
// passes differs from its first pass by more than this, of 255, in a channel: edges and pictures'
// detail differ by far more between passes, and a face's shading or the sky's gradient by far
// less. A transparent picture's opacity is the difference of two pictures, which adds their
// errors, and the colour is divided by it: its passes stop only where they are the same.
constexpr int kAgreement = 24;
constexpr int kTransparentAgreement = 0;

// Draws a picture tile by tile, each tile in the passes its samples take (frame_passes.h). A
// transparent picture is drawn over black and over white (drawFrame's backdrop), in 16 bits a
// channel.
class TiledRender {
public:
    TiledRender(const ProjectData& data, const SceneTextures& textures, const Camera& camera,
                RgbaPicture& out, const PassPlan& plan, bool transparent, const SceneLook& look)
        : data_(data), textures_(textures), camera_(camera), out_(out), transparent_(transparent),
          plan_(plan), look_(look) {}

    Status run() {
        const TileSize tile = tileSize(out_.width, out_.height, plan_.perPass);
        auto made = gl::OffscreenTarget::create(tile.width, tile.height, plan_.perPass,
                                                transparent_ ? gl::ColourBits::Sixteen
                                                             : gl::ColourBits::Eight);
        if (!made) {
            return made.status;
        }
        target_ = std::move(made.value);
        if (transparent_ && plan_.passes == 1) {
            wide_.resize(static_cast<std::size_t>(tile.width) * tile.height * kRgbaBytes * 2);
        }
        // Tiles in OpenGL's rows, from the bottom of the picture.
        for (int y = 0; y < out_.height; y += tile.height) {
            const int h = std::min(tile.height, out_.height - y);
            for (int x = 0; x < out_.width; x += tile.width) {
                const int w = std::min(tile.width, out_.width - x);
                if (plan_.passes == 1) {
                    drawTile(x, y, w, h);
                } else if (transparent_) {
                    drawTilePasses(wideTile_, x, y, w, h, kFullSixteen);
                } else {
                    drawTilePasses(narrowTile_, x, y, w, h, kFullEight);
                }
            }
        }
        target_.reset();
        out_.transparent = transparent_;
        return {};
    }

private:
    FrameOptions frameOptions(const Rgb* backdrop, const PixelRect* region = nullptr) const {
        return {.outlinedFace = kNoOutline,
                .backdrop = backdrop,
                .lightMarker = false,
                .region = region,
                .look = look_};
    }

    const Rgb* backdrop(int index) const {
        return transparent_ ? (index == 0 ? &kBlack : &kWhite) : nullptr;
    }

    // The tile's top-left pixel in the picture.
    std::uint8_t* pictureAt(int x, int y, int h) {
        const std::size_t topRow = static_cast<std::size_t>(out_.height - y - h);
        return out_.rgba.data() + (topRow * static_cast<std::size_t>(out_.width) + x) * kRgbaBytes;
    }

    // A tile in one pass, multisampled as far as the plan asks.
    void drawTile(int x, int y, int w, int h) {
        std::uint8_t* at = pictureAt(x, y, h);
        const PictureArea area{out_.width, out_.height, x, y};
        target_->bind();
        if (!transparent_) {
            drawPass(data_, textures_, frameOptions(nullptr), camera_, area, plan_, 0);
            target_->readBlock(0, 0, w, h, at, out_.width, true);
            return;
        }
        const std::size_t values = static_cast<std::size_t>(w) * h * kRgbaBytes;
        for (int b = 0; b < 2; ++b) {
            drawPass(data_, textures_, frameOptions(backdrop(b)), camera_, area, plan_, 0);
            target_->readBlock(0, 0, w, h, wide_.data() + b * values, w, true);
        }
        for (int r = 0; r < h; ++r) {
            std::uint8_t* to = at + static_cast<std::size_t>(r) * out_.width * kRgbaBytes;
            for (int c = 0; c < w; ++c) {
                const std::size_t i = (static_cast<std::size_t>(r) * w + c) * kRgbaBytes;
                writePixel(to + static_cast<std::size_t>(c) * kRgbaBytes, wide_.data() + i,
                           wide_.data() + values + i, kFullSixteen, true);
            }
        }
    }

    // A tile in the plan's passes: the first round over the whole tile, the rest over the blocks
    // where the first round disagrees.
    template <typename Passes>
    void drawTilePasses(Passes& passes, int x, int y, int w, int h, double full) {
        const int agreement = transparent_ ? kTransparentAgreement : kAgreement;
        passes.reset(w, h, transparent_ ? 2 : 1, static_cast<int>(agreement * full / kFullEight));
        const PixelRect whole{0, 0, w, h};
        for (int pass = 0; pass < plan_.firstRound; ++pass) {
            drawPasses(passes, x, y, whole, pass, 1);
        }
        for (const PixelRect& rect : passes.busyRects()) {
            const int capacity =
                transparent_ ? 1
                             : (target_->width() / rect.width) * (target_->height() / rect.height);
            for (int pass = plan_.firstRound; pass < plan_.passes; pass += capacity) {
                drawPasses(passes, x, y, rect, pass, std::min(capacity, plan_.passes - pass));
            }
        }
        passes.writeMeans(pictureAt(x, y, h), out_.width, plan_.passes, plan_.firstRound, full,
                          transparent_);
    }

    // Passes first .. first + count - 1 of rect of the tile at (x, y), over each backdrop, drawn
    // side by side in the target and read at once: the driver finishes its drawing for each read,
    // which would cost a small rect's passes more than their pixels. Where a pass is drawn moves
    // its corners by a rounding (a 256th of a pixel), which may take a sample across an edge: a
    // transparent picture, which must match the scene drawn over a colour to within rounding,
    // draws each pass where its tile has it.
    template <typename Passes>
    void drawPasses(Passes& passes, int x, int y, const PixelRect& rect, int first, int count) {
        const int across = std::min(count, target_->width() / rect.width);
        const int down = (count + across - 1) / across;
        const auto slot = [&](int k) {
            return transparent_ ? rect
                                : PixelRect{k % across * rect.width, k / across * rect.height,
                                            rect.width, rect.height};
        };
        const PixelRect read =
            transparent_ ? rect : PixelRect{0, 0, across * rect.width, down * rect.height};
        for (int b = 0; b < (transparent_ ? 2 : 1); ++b) {
            target_->bind();
            for (int k = 0; k < count; ++k) {
                const PixelRect place = slot(k);
                const PictureArea area{out_.width, out_.height, x + rect.x - place.x,
                                       y + rect.y - place.y};
                drawPass(data_, textures_, frameOptions(backdrop(b), &place), camera_, area, plan_,
                         first + k);
            }
            target_->readBlock(read.x, read.y, read.width, read.height, passes.readBuffer(),
                               read.width, false);
            for (int k = 0; k < count; ++k) {
                const PixelRect place = slot(k);
                const int pass = first + k;
                passes.add(b, rect, {place.x - read.x, place.y - read.y}, read.width,
                           pass < plan_.firstRound, pass == 0);
            }
        }
    }

    const ProjectData& data_;
    const SceneTextures& textures_;
    const Camera& camera_;
    RgbaPicture& out_;
    bool transparent_ = false;
    PassPlan plan_;
    SceneLook look_;
    std::unique_ptr<gl::OffscreenTarget> target_;
    std::vector<std::uint16_t> wide_;
    TilePasses<std::uint8_t, std::uint16_t> narrowTile_;
    TilePasses<std::uint16_t, std::uint32_t> wideTile_;
};

} // namespace

PassPlan picturePasses(int samples) {
    return planPasses(samples, gl::OffscreenTarget::maxSamples());
}

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

    const PassPlan plan = picturePasses(settings.samples);
    std::optional<FinalTextures> exportTextures;
    if (settings.pictures) {
        exportTextures.emplace(data, textures, *settings.pictures, camera, width, height,
                               settings.notes, plan);
    }
    const SceneTextures drawn = exportTextures ? exportTextures->over(textures) : textures;
    // The view switches multisampling off for aliased frames; the picture has its own samples.
    const GLboolean multisampling = glIsEnabled(GL_MULTISAMPLE);
    glEnable(GL_MULTISAMPLE);
    TiledRender render(data, drawn, camera, out, plan, settings.transparent, settings.look);
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
