#include "gl/offscreen_target.h"

#define GL_GLEXT_PROTOTYPES 1
#include <GL/gl.h>
#include <GL/glext.h>

#include <algorithm>
#include <cstring>
#include <string_view>

namespace cartonic::gl {

namespace {

// Whether the space-separated list names the extension (whole names only).
bool hasExtension(const char* list, std::string_view name) {
    if (!list) {
        return false;
    }
    for (std::string_view rest(list); !rest.empty();) {
        const std::size_t end = std::min(rest.find(' '), rest.size());
        if (rest.substr(0, end) == name) {
            return true;
        }
        rest.remove_prefix(std::min(end + 1, rest.size()));
    }
    return false;
}

} // namespace

std::unique_ptr<OffscreenTarget> OffscreenTarget::create(int width, int height,
                                                         std::string* error) {
    const auto fail = [error](std::string why) -> std::unique_ptr<OffscreenTarget> {
        if (error) {
            *error = std::move(why);
        }
        return nullptr;
    };
    GLint maxSide = 0;
    glGetIntegerv(GL_MAX_RENDERBUFFER_SIZE, &maxSide);
    if (width < 1 || height < 1 || width > maxSide || height > maxSide) {
        return fail("picture size " + std::to_string(width) + "x" + std::to_string(height) +
                    " is outside 1.." + std::to_string(maxSide));
    }

    std::unique_ptr<OffscreenTarget> t(new OffscreenTarget);
    t->width_ = width;
    t->height_ = height;
    glGetIntegerv(GL_DRAW_FRAMEBUFFER_BINDING, &t->previousFramebuffer_);
    glGenFramebuffers(1, &t->framebuffer_);
    glGenRenderbuffers(1, &t->colour_);
    glGenRenderbuffers(1, &t->depthStencil_);
    glBindRenderbuffer(GL_RENDERBUFFER, t->colour_);
    glRenderbufferStorage(GL_RENDERBUFFER, GL_RGBA8, width, height);
    glBindRenderbuffer(GL_RENDERBUFFER, t->depthStencil_);
    glRenderbufferStorage(GL_RENDERBUFFER, GL_DEPTH24_STENCIL8, width, height);
    glBindRenderbuffer(GL_RENDERBUFFER, 0);
    glBindFramebuffer(GL_FRAMEBUFFER, t->framebuffer_);
    glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_RENDERBUFFER, t->colour_);
    glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_DEPTH_STENCIL_ATTACHMENT, GL_RENDERBUFFER,
                              t->depthStencil_);
    if (glCheckFramebufferStatus(GL_FRAMEBUFFER) != GL_FRAMEBUFFER_COMPLETE) {
        return fail("the offscreen framebuffer is incomplete");
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
}

void OffscreenTarget::bind() const {
    glBindFramebuffer(GL_FRAMEBUFFER, framebuffer_);
    glViewport(0, 0, width_, height_);
}

std::vector<std::uint8_t> OffscreenTarget::readRgba() const {
    const std::size_t row = static_cast<std::size_t>(width_) * 4;
    std::vector<std::uint8_t> pixels(row * static_cast<std::size_t>(height_));
    glBindFramebuffer(GL_READ_FRAMEBUFFER, framebuffer_);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    // Mesa hands the rows over top first itself when asked, which spares a pass over the picture.
    if (hasExtension(reinterpret_cast<const char*>(glGetString(GL_EXTENSIONS)),
                     "GL_MESA_pack_invert")) {
        glPixelStorei(GL_PACK_INVERT_MESA, GL_TRUE);
        glReadPixels(0, 0, width_, height_, GL_RGBA, GL_UNSIGNED_BYTE, pixels.data());
        glPixelStorei(GL_PACK_INVERT_MESA, GL_FALSE);
        return pixels;
    }
    glReadPixels(0, 0, width_, height_, GL_RGBA, GL_UNSIGNED_BYTE, pixels.data());
    // OpenGL's first row is the bottom of the picture; swap rows in place.
    std::vector<std::uint8_t> spare(row);
    for (int top = 0, bottom = height_ - 1; top < bottom; ++top, --bottom) {
        std::uint8_t* a = pixels.data() + row * static_cast<std::size_t>(top);
        std::uint8_t* b = pixels.data() + row * static_cast<std::size_t>(bottom);
        std::memcpy(spare.data(), a, row);
        std::memcpy(a, b, row);
        std::memcpy(b, spare.data(), row);
    }
    return pixels;
}

} // namespace cartonic::gl
