#include "render/pass_accumulator.h"

#include <GL/gl.h>
#include <GL/glext.h>

#include <string>

namespace cartonic {

namespace {

GLuint makeColourTexture(GLint format, GLenum type, int width, int height) {
    GLuint texture = 0;
    glGenTextures(1, &texture);
    glBindTexture(GL_TEXTURE_2D, texture);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
    glTexImage2D(GL_TEXTURE_2D, 0, format, width, height, 0, GL_RGBA, type, nullptr);
    glBindTexture(GL_TEXTURE_2D, 0);
    return texture;
}

// Draws texture over the whole viewport of the bound framebuffer, each texel times scale in
// every channel, pixel for texel; with adding, onto what the framebuffer holds. Whatever state
// the scene's passes leave (depth, stencil, lighting, clip planes, texture generation) is set
// aside for it and given back.
void drawTexture(GLuint texture, float scale, bool adding) {
    glPushAttrib(GL_ALL_ATTRIB_BITS);
    glMatrixMode(GL_TEXTURE);
    glPushMatrix();
    glLoadIdentity();
    glMatrixMode(GL_PROJECTION);
    glPushMatrix();
    glLoadIdentity();
    glMatrixMode(GL_MODELVIEW);
    glPushMatrix();
    glLoadIdentity();

    for (const GLenum off : {GL_DEPTH_TEST, GL_STENCIL_TEST, GL_LIGHTING, GL_CULL_FACE, GL_FOG,
                             GL_ALPHA_TEST, GL_CLIP_PLANE0, GL_TEXTURE_GEN_S, GL_TEXTURE_GEN_T,
                             GL_COLOR_MATERIAL, GL_DITHER, GL_SCISSOR_TEST}) {
        glDisable(off);
    }
    glPolygonMode(GL_FRONT_AND_BACK, GL_FILL);
    glColorMask(GL_TRUE, GL_TRUE, GL_TRUE, GL_TRUE);
    if (adding) {
        glEnable(GL_BLEND);
        glBlendFunc(GL_ONE, GL_ONE);
    } else {
        glDisable(GL_BLEND);
    }
    glEnable(GL_TEXTURE_2D);
    glBindTexture(GL_TEXTURE_2D, texture);
    glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_MODULATE);
    glTexEnvf(GL_TEXTURE_FILTER_CONTROL, GL_TEXTURE_LOD_BIAS, 0.0f);
    glColor4f(scale, scale, scale, scale);
    glBegin(GL_QUADS);
    glTexCoord2f(0.0f, 0.0f);
    glVertex2f(-1.0f, -1.0f);
    glTexCoord2f(1.0f, 0.0f);
    glVertex2f(1.0f, -1.0f);
    glTexCoord2f(1.0f, 1.0f);
    glVertex2f(1.0f, 1.0f);
    glTexCoord2f(0.0f, 1.0f);
    glVertex2f(-1.0f, 1.0f);
    glEnd();

    glMatrixMode(GL_TEXTURE);
    glPopMatrix();
    glMatrixMode(GL_PROJECTION);
    glPopMatrix();
    glMatrixMode(GL_MODELVIEW);
    glPopMatrix();
    glPopAttrib();
}

} // namespace

PassAccumulator::~PassAccumulator() {
    release();
}

void PassAccumulator::release() {
    if (passFramebuffer_ != 0) {
        glDeleteFramebuffers(1, &passFramebuffer_);
        glDeleteFramebuffers(1, &sumFramebuffer_);
        glDeleteRenderbuffers(1, &passDepthStencil_);
        glDeleteTextures(1, &passColour_);
        glDeleteTextures(1, &sumColour_);
    }
    passFramebuffer_ = sumFramebuffer_ = passDepthStencil_ = passColour_ = sumColour_ = 0;
    width_ = height_ = passes_ = 0;
}

Status PassAccumulator::start(int width, int height) {
    passes_ = 0;
    if (passFramebuffer_ != 0 && width == width_ && height == height_) {
        return {};
    }
    release();
    if (width < 1 || height < 1) {
        return Status(Status::Kind::Usage, "no view to refine");
    }
    GLint previous = 0;
    glGetIntegerv(GL_DRAW_FRAMEBUFFER_BINDING, &previous);
    // The sum holds up to a few hundred passes of 8-bit colour exactly in a float's 24 bits.
    passColour_ = makeColourTexture(GL_RGBA8, GL_UNSIGNED_BYTE, width, height);
    sumColour_ = makeColourTexture(GL_RGBA32F, GL_FLOAT, width, height);
    glGenRenderbuffers(1, &passDepthStencil_);
    glBindRenderbuffer(GL_RENDERBUFFER, passDepthStencil_);
    glRenderbufferStorage(GL_RENDERBUFFER, GL_DEPTH24_STENCIL8, width, height);
    glBindRenderbuffer(GL_RENDERBUFFER, 0);

    glGenFramebuffers(1, &passFramebuffer_);
    glBindFramebuffer(GL_FRAMEBUFFER, passFramebuffer_);
    glFramebufferTexture2D(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_TEXTURE_2D, passColour_, 0);
    glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_DEPTH_STENCIL_ATTACHMENT, GL_RENDERBUFFER,
                              passDepthStencil_);
    const bool passComplete = glCheckFramebufferStatus(GL_FRAMEBUFFER) == GL_FRAMEBUFFER_COMPLETE;
    glGenFramebuffers(1, &sumFramebuffer_);
    glBindFramebuffer(GL_FRAMEBUFFER, sumFramebuffer_);
    glFramebufferTexture2D(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_TEXTURE_2D, sumColour_, 0);
    const bool sumComplete = glCheckFramebufferStatus(GL_FRAMEBUFFER) == GL_FRAMEBUFFER_COMPLETE;
    glBindFramebuffer(GL_FRAMEBUFFER, static_cast<GLuint>(previous));
    width_ = width;
    height_ = height;
    if (!passComplete || !sumComplete) {
        release();
        return Status(Status::Kind::Unavailable, "the driver cannot sum passes of " +
                                                     std::to_string(width) + "x" +
                                                     std::to_string(height) + " pixels");
    }
    return {};
}

void PassAccumulator::add(const std::function<void()>& draw) {
    if (passFramebuffer_ == 0) {
        return;
    }
    glBindFramebuffer(GL_FRAMEBUFFER, passFramebuffer_);
    glViewport(0, 0, width_, height_);
    draw();
    glBindFramebuffer(GL_FRAMEBUFFER, sumFramebuffer_);
    glPushAttrib(GL_VIEWPORT_BIT | GL_COLOR_BUFFER_BIT | GL_SCISSOR_BIT);
    glViewport(0, 0, width_, height_);
    if (passes_ == 0) {
        glDisable(GL_SCISSOR_TEST);
        glColorMask(GL_TRUE, GL_TRUE, GL_TRUE, GL_TRUE);
        glClearColor(0.0f, 0.0f, 0.0f, 0.0f);
        glClear(GL_COLOR_BUFFER_BIT);
    }
    glPopAttrib();
    drawTexture(passColour_, 1.0f, true);
    ++passes_;
    glBindFramebuffer(GL_FRAMEBUFFER, passFramebuffer_);
}

void PassAccumulator::show(std::uint32_t framebuffer) const {
    glBindFramebuffer(GL_FRAMEBUFFER, framebuffer);
    if (passes_ == 0) {
        return;
    }
    glPushAttrib(GL_VIEWPORT_BIT);
    glViewport(0, 0, width_, height_);
    drawTexture(sumColour_, 1.0f / static_cast<float>(passes_), false);
    glPopAttrib();
}

} // namespace cartonic
