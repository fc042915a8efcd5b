#include "export/render_to_buffer.h"

#include "gl/offscreen_target.h"
#include "render/scene_renderer.h"

#include <GL/gl.h>

#include <algorithm>
#include <cmath>
#include <memory>
#include <optional>

namespace cartonic {

namespace {

constexpr int kRgbaBytes = 4;

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

bool fail(std::string* why, std::string reason) {
    if (why) {
        *why = std::move(reason);
    }
    return false;
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

// Draws a picture tile by tile. More samples a pixel than the context's multisampling gives are
// had in passes, each shifted a fraction of a pixel along the diagonal, and averaged: with a
// pattern whose samples sit in distinct rows and columns (as the usual ones do), the passes'
// samples then fill the rows and columns between.
class TiledRender {
public:
    TiledRender(ProjectData& data, const Camera& camera, RgbaPicture& out, int samples)
        : data_(data), camera_(camera), out_(out) {
        const int most = gl::OffscreenTarget::maxSamples();
        perPass_ = std::min(samples, most);
        passes_ = (samples + perPass_ - 1) / perPass_;
    }

    bool run(std::string* why) {
        const TileSize tile = tileSize(out_.width, out_.height, perPass_);
        std::string error;
        target_ = gl::OffscreenTarget::create(tile.width, tile.height, &error, perPass_);
        if (!target_) {
            return fail(why, error);
        }
        if (passes_ > 1) {
            pass_.resize(static_cast<std::size_t>(tile.width) * tile.height * kRgbaBytes);
            sums_.resize(pass_.size());
        }
        // Tiles in OpenGL's rows, from the bottom of the picture.
        for (int y = 0; y < out_.height; y += tile.height) {
            const int h = std::min(tile.height, out_.height - y);
            for (int x = 0; x < out_.width; x += tile.width) {
                drawTile(x, y, std::min(tile.width, out_.width - x), h);
            }
        }
        target_.reset();
        return true;
    }

private:
    void drawPass(int x, int y, int pass) {
        target_->bind();
        glViewport(-x, -y, out_.width, out_.height);
        glMatrixMode(GL_MODELVIEW);
        glLoadIdentity();
        const float shift =
            passes_ == 1 ? 0.0f
                         : (static_cast<float>(pass) - 0.5f * static_cast<float>(passes_ - 1)) /
                               static_cast<float>(passes_ * perPass_);
        applyShiftedProjection(camera_, shift, shift, out_.width, out_.height);
        drawFrame(data_);
    }

    // The tile's top-left pixel in the picture.
    std::uint8_t* pictureAt(int x, int y, int h) {
        const std::size_t topRow = static_cast<std::size_t>(out_.height - y - h);
        return out_.rgba.data() + (topRow * static_cast<std::size_t>(out_.width) + x) * kRgbaBytes;
    }

    void drawTile(int x, int y, int w, int h) {
        if (passes_ == 1) {
            drawPass(x, y, 0);
            target_->readBlock(0, 0, w, h, pictureAt(x, y, h), out_.width, true);
            return;
        }
        const std::size_t bytes = static_cast<std::size_t>(w) * h * kRgbaBytes;
        std::fill(sums_.begin(), sums_.begin() + static_cast<std::ptrdiff_t>(bytes), 0);
        for (int pass = 0; pass < passes_; ++pass) {
            drawPass(x, y, pass);
            target_->readBlock(0, 0, w, h, pass_.data(), w, true);
            for (std::size_t i = 0; i < bytes; ++i) {
                sums_[i] = static_cast<std::uint16_t>(sums_[i] + pass_[i]);
            }
        }
        const std::size_t row = static_cast<std::size_t>(w) * kRgbaBytes;
        std::uint8_t* at = pictureAt(x, y, h);
        const unsigned half = static_cast<unsigned>(passes_) / 2;
        for (int r = 0; r < h; ++r) {
            const std::uint16_t* sum = sums_.data() + static_cast<std::size_t>(r) * row;
            std::uint8_t* to = at + static_cast<std::size_t>(r) * out_.width * kRgbaBytes;
            for (std::size_t i = 0; i < row; ++i) {
                to[i] = static_cast<std::uint8_t>((sum[i] + half) / static_cast<unsigned>(passes_));
            }
        }
    }

    ProjectData& data_;
    const Camera& camera_;
    RgbaPicture& out_;
    int perPass_ = 1;
    int passes_ = 1;
    std::unique_ptr<gl::OffscreenTarget> target_;
    std::vector<std::uint8_t> pass_;
    std::vector<std::uint16_t> sums_;
};

} // namespace

bool renderToBuffer(ProjectData& data, const Camera& camera, int width, int height,
                    RgbaPicture& out, std::string* why, const RenderSettings& settings) {
    // Each tile sees the whole picture's viewport, shifted so that its part lands on the tile.
    GLint largest[2] = {};
    glGetIntegerv(GL_MAX_VIEWPORT_DIMS, largest);
    const int maxSide = std::min(largest[0], largest[1]);
    if (width < 1 || height < 1 || width > maxSide || height > maxSide) {
        return fail(why, "picture size " + std::to_string(width) + "x" + std::to_string(height) +
                             " is outside 1.." + std::to_string(maxSide));
    }
    GLint viewport[4] = {};
    glGetIntegerv(GL_VIEWPORT, viewport);
    out.width = width;
    out.height = height;
    out.rgba.assign(static_cast<std::size_t>(width) * kRgbaBytes * static_cast<std::size_t>(height),
                    0);

    data.showSelection = 0;
    std::optional<ExportTextures> textures;
    if (settings.pictures) {
        textures.emplace(data, *settings.pictures, camera, width, height, settings.notes);
    }
    TiledRender render(data, camera, out, std::max(settings.samples, 1));
    const bool ok = render.run(why);
    textures.reset();
    data.showSelection = 1;
    glGetError(); // a failed draw shows in the picture; there is nothing more to do about it
    glViewport(viewport[0], viewport[1], viewport[2], viewport[3]);
    return ok;
}

} // namespace cartonic
