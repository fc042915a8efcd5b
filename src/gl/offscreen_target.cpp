#include "gl/offscreen_target.h"

#include "gl/extensions.h"

#define GL_GLEXT_PROTOTYPES 1
#include <GL/gl.h>
#include <GL/glext.h>

#include <algorithm>
#include <cstring>
#include <string_view>

namespace cartonic::gl {

int OffscreenTarget::maxSamples() {
    GLint most = 0;
    glGetIntegerv(GL_MAX_SAMPLES, &most);
    return std::max(1, static_cast<int>(most));
}

Result<std::unique_ptr<OffscreenTarget>> OffscreenTarget::create(int width, int height, int samples,
                                                                 ColourBits bits) {
    GLint maxSide = 0;
    glGetIntegerv(GL_MAX_RENDERBUFFER_SIZE, &maxSide);
    if (width < 1 || height < 1 || width > maxSide || height > maxSide) {
        return Status(width < 1 || height < 1 ? Status::Kind::Usage : Status::Kind::TooLarge,
                      "picture size " + std::to_string(width) + "x" + std::to_string(height) +
                          " is outside 1.." + std::to_string(maxSide));
    }

    std::unique_ptr<OffscreenTarget> t(new OffscreenTarget);
    t->width_ = width;
    t->height_ = height;
    t->bits_ = bits;
    const GLenum colourFormat = bits == ColourBits::Sixteen ? GL_RGBA16 : GL_RGBA8;
    // Zero samples is OpenGL's single-sampled storage; anything above asks for at least that many.
    const GLsizei asked = samples > 1 ? std::min(samples, maxSamples()) : 0;
    glGetIntegerv(GL_DRAW_FRAMEBUFFER_BINDING, &t->previousFramebuffer_);
    glGenFramebuffers(1, &t->framebuffer_);
    glGenRenderbuffers(1, &t->colour_);
    glGenRenderbuffers(1, &t->depthStencil_);
    glBindRenderbuffer(GL_RENDERBUFFER, t->colour_);
    glRenderbufferStorageMultisample(GL_RENDERBUFFER, asked, colourFormat, width, height);
    GLint made = 0;
    glGetRenderbufferParameteriv(GL_RENDERBUFFER, GL_RENDERBUFFER_SAMPLES, &made);
    t->samples_ = std::max(1, static_cast<int>(made));
    glBindRenderbuffer(GL_RENDERBUFFER, t->depthStencil_);
    glRenderbufferStorageMultisample(GL_RENDERBUFFER, asked, GL_DEPTH24_STENCIL8, width, height);
    if (t->samples_ > 1) {
        glGenFramebuffers(1, &t->resolved_);
        glGenRenderbuffers(1, &t->resolvedColour_);
        glBindRenderbuffer(GL_RENDERBUFFER, t->resolvedColour_);
        glRenderbufferStorage(GL_RENDERBUFFER, colourFormat, width, height);
        glBindFramebuffer(GL_FRAMEBUFFER, t->resolved_);
        glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_RENDERBUFFER,
                                  t->resolvedColour_);
        if (glCheckFramebufferStatus(GL_FRAMEBUFFER) != GL_FRAMEBUFFER_COMPLETE) {
            return Status::unavailable(
                "the offscreen framebuffer for resolving samples is incomplete");
        }
    }
    glBindRenderbuffer(GL_RENDERBUFFER, 0);
    glBindFramebuffer(GL_FRAMEBUFFER, t->framebuffer_);
    glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_RENDERBUFFER, t->colour_);
    glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_DEPTH_STENCIL_ATTACHMENT, GL_RENDERBUFFER,
                              t->depthStencil_);
    if (glCheckFramebufferStatus(GL_FRAMEBUFFER) != GL_FRAMEBUFFER_COMPLETE) {
        return Status::unavailable("the offscreen framebuffer is incomplete");
    }
    t->bind();
    return t;
}

OffscreenTarget::~OffscreenTarget() {
    GLint bound = 0;
    glGetIntegerv(GL_DRAW_FRAMEBUFFER_BINDING, &bound);
    if (static_cast<std::uint32_t>(bound) == framebuffer_) {
        glBindFramebuffer(GL_FRAMEBUFFER, static_cast<GLuint>(previousFramebuffer_));
    }
    glDeleteFramebuffers(1, &framebuffer_);
    glDeleteRenderbuffers(1, &colour_);
    glDeleteRenderbuffers(1, &depthStencil_);
    if (resolved_ != 0) {
        glDeleteFramebuffers(1, &resolved_);
        glDeleteRenderbuffers(1, &resolvedColour_);
    }
}

void OffscreenTarget::bind() const {
    glBindFramebuffer(GL_FRAMEBUFFER, framebuffer_);
    glViewport(0, 0, width_, height_);
}

void OffscreenTarget::resolve(int x, int y, int w, int h) const {
    glBindFramebuffer(GL_READ_FRAMEBUFFER, framebuffer_);
    glBindFramebuffer(GL_DRAW_FRAMEBUFFER, resolved_);
    glBlitFramebuffer(x, y, x + w, y + h, x, y, x + w, y + h, GL_COLOR_BUFFER_BIT, GL_NEAREST);
}

void OffscreenTarget::resolveInto(std::uint32_t framebuffer) const {
    glBindFramebuffer(GL_READ_FRAMEBUFFER, framebuffer_);
    glBindFramebuffer(GL_DRAW_FRAMEBUFFER, framebuffer);
    glBlitFramebuffer(0, 0, width_, height_, 0, 0, width_, height_, GL_COLOR_BUFFER_BIT,
                      GL_NEAREST);
    glBindFramebuffer(GL_FRAMEBUFFER, framebuffer);
}

void OffscreenTarget::readBlock(int x, int y, int w, int h, void* out, int rowPixels,
                                bool topFirst) const {
    GLuint source = framebuffer_;
    if (resolved_ != 0) {
        resolve(x, y, w, h);
        source = resolved_;
    }
    glBindFramebuffer(GL_READ_FRAMEBUFFER, source);
    const bool wide = bits_ == ColourBits::Sixteen;
    const GLenum type = wide ? GL_UNSIGNED_SHORT : GL_UNSIGNED_BYTE;
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glPixelStorei(GL_PACK_ROW_LENGTH, rowPixels);
    // Mesa hands the rows over top first itself when asked, which spares a pass over the picture.
    const bool invert =
        topFirst && listsExtension(reinterpret_cast<const char*>(glGetString(GL_EXTENSIONS)),
                                   "GL_MESA_pack_invert");
    if (invert) {
        glPixelStorei(GL_PACK_INVERT_MESA, GL_TRUE);
    }
    glReadPixels(x, y, w, h, GL_RGBA, type, out);
    if (invert) {
        glPixelStorei(GL_PACK_INVERT_MESA, GL_FALSE);
    }
    glPixelStorei(GL_PACK_ROW_LENGTH, 0);
    glBindFramebuffer(GL_FRAMEBUFFER, framebuffer_);
    if (!topFirst || invert) {
        return;
    }
    // OpenGL's first row is the bottom of the block; swap rows in place.
    const std::size_t pixelBytes = wide ? 8 : 4;
    const std::size_t stride = static_cast<std::size_t>(rowPixels) * pixelBytes;
    const std::size_t row = static_cast<std::size_t>(w) * pixelBytes;
    auto* pixels = static_cast<std::uint8_t*>(out);
    std::vector<std::uint8_t> spare(row);
    for (int top = 0, bottom = h - 1; top < bottom; ++top, --bottom) {
        std::uint8_t* a = pixels + stride * static_cast<std::size_t>(top);
        std::uint8_t* b = pixels + stride * static_cast<std::size_t>(bottom);
        std::memcpy(spare.data(), a, row);
        std::memcpy(a, b, row);
        std::memcpy(b, spare.data(), row);
    }
}

std::vector<std::uint8_t> OffscreenTarget::readRgba() const {
    std::vector<std::uint8_t> pixels(static_cast<std::size_t>(width_) * 4 *
                                     static_cast<std::size_t>(height_));
    readBlock(0, 0, width_, height_, pixels.data(), width_, true);
    return pixels;
}

} // namespace cartonic::gl
