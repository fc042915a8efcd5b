// bench_render_minimal_egl FACE... FLOOR: the least a program needs to draw one frame of the kind
// cartonic-render draws (bench/minimal_scene.h) with the given PNG pictures on the six faces (top,
// bottom, -y, +y, +x, -x) and the floor, 64 x 64 pixels and multisampled as its pictures are,
// without a display, and read it back: the reference for the command-line renderer's start-up.
// Plain EGL on Mesa's surfaceless platform, one framebuffer object, libpng's simple reader.

#define GL_GLEXT_PROTOTYPES 1
#include "minimal_scene.h"

#include <EGL/egl.h>
#include <EGL/eglext.h>
#include <GL/glext.h>

#include <png.h>

#include <cstdio>
#include <vector>

namespace {

constexpr int kSide = 64;
constexpr int kSamples = 4;

bool fail(const char* what) {
    std::fprintf(stderr, "bench_render_minimal_egl: %s failed\n", what);
    return false;
}

// The PNG file's pixels as RGBA; false when it cannot be read.
bool readPng(const char* path, std::vector<std::uint8_t>& pixels, int& width, int& height) {
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_file(&image, path)) {
        return false;
    }
    image.format = PNG_FORMAT_RGBA;
    pixels.resize(PNG_IMAGE_SIZE(image));
    width = static_cast<int>(image.width);
    height = static_cast<int>(image.height);
    return png_image_finish_read(&image, nullptr, pixels.data(), 0, nullptr) != 0;
}

bool drawAndRead(char** paths) {
    const auto platformDisplay = reinterpret_cast<PFNEGLGETPLATFORMDISPLAYEXTPROC>(
        eglGetProcAddress("eglGetPlatformDisplayEXT"));
    if (!platformDisplay) {
        return fail("eglGetPlatformDisplayEXT");
    }
    EGLDisplay display =
        platformDisplay(EGL_PLATFORM_SURFACELESS_MESA, EGL_DEFAULT_DISPLAY, nullptr);
    if (display == EGL_NO_DISPLAY || !eglInitialize(display, nullptr, nullptr) ||
        !eglBindAPI(EGL_OPENGL_API)) {
        return fail("EGL set-up");
    }
    const EGLint configAttributes[] = {EGL_SURFACE_TYPE, EGL_PBUFFER_BIT, EGL_RENDERABLE_TYPE,
                                       EGL_OPENGL_BIT, EGL_NONE};
    EGLConfig config = nullptr;
    EGLint count = 0;
    if (!eglChooseConfig(display, configAttributes, &config, 1, &count) || count < 1) {
        return fail("eglChooseConfig");
    }
    const EGLint surfaceAttributes[] = {EGL_WIDTH, 1, EGL_HEIGHT, 1, EGL_NONE};
    EGLSurface surface = eglCreatePbufferSurface(display, config, surfaceAttributes);
    EGLContext context = eglCreateContext(display, config, EGL_NO_CONTEXT, nullptr);
    if (surface == EGL_NO_SURFACE || context == EGL_NO_CONTEXT ||
        !eglMakeCurrent(display, surface, surface, context)) {
        return fail("EGL context");
    }

    GLuint buffers[3] = {};
    glGenRenderbuffers(3, buffers);
    GLuint framebuffers[2] = {};
    glGenFramebuffers(2, framebuffers);
    glBindRenderbuffer(GL_RENDERBUFFER, buffers[0]);
    glRenderbufferStorageMultisample(GL_RENDERBUFFER, kSamples, GL_RGBA8, kSide, kSide);
    glBindRenderbuffer(GL_RENDERBUFFER, buffers[1]);
    glRenderbufferStorageMultisample(GL_RENDERBUFFER, kSamples, GL_DEPTH24_STENCIL8, kSide, kSide);
    glBindFramebuffer(GL_FRAMEBUFFER, framebuffers[0]);
    glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_RENDERBUFFER, buffers[0]);
    glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_DEPTH_STENCIL_ATTACHMENT, GL_RENDERBUFFER,
                              buffers[1]);
    glBindRenderbuffer(GL_RENDERBUFFER, buffers[2]);
    glRenderbufferStorage(GL_RENDERBUFFER, GL_RGBA8, kSide, kSide);
    glBindFramebuffer(GL_FRAMEBUFFER, framebuffers[1]);
    glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_RENDERBUFFER, buffers[2]);

    minimal::Textures textures;
    for (int k = 0; k <= minimal::kFaceCount; ++k) {
        std::vector<std::uint8_t> pixels;
        int width = 0;
        int height = 0;
        if (!readPng(paths[k], pixels, width, height)) {
            return fail(paths[k]);
        }
        const bool floor = k == minimal::kFaceCount;
        (floor ? textures.floor : textures.faces[k]) = minimal::makeTexture(
            std::move(pixels), width, height, floor ? GL_REPEAT : GL_CLAMP_TO_EDGE, true);
    }
    glBindFramebuffer(GL_FRAMEBUFFER, framebuffers[0]);
    minimal::drawFrame(kSide, kSide, textures);
    glBindFramebuffer(GL_READ_FRAMEBUFFER, framebuffers[0]);
    glBindFramebuffer(GL_DRAW_FRAMEBUFFER, framebuffers[1]);
    glBlitFramebuffer(0, 0, kSide, kSide, 0, 0, kSide, kSide, GL_COLOR_BUFFER_BIT, GL_NEAREST);
    glBindFramebuffer(GL_READ_FRAMEBUFFER, framebuffers[1]);
    std::vector<unsigned char> pixels(kSide * kSide * 4);
    glReadPixels(0, 0, kSide, kSide, GL_RGBA, GL_UNSIGNED_BYTE, pixels.data());
    const bool drawn = glGetError() == GL_NO_ERROR;
    eglMakeCurrent(display, EGL_NO_SURFACE, EGL_NO_SURFACE, EGL_NO_CONTEXT);
    eglTerminate(display);
    return drawn || fail("drawing");
}

} // namespace

int main(int argc, char** argv) {
    if (argc != minimal::kFaceCount + 2) {
        std::fprintf(stderr,
                     "usage: bench_render_minimal_egl TOP BOTTOM FRONT BACK LEFT RIGHT FLOOR\n");
        return 2;
    }
    return drawAndRead(argv + 1) ? 0 : 1;
}
