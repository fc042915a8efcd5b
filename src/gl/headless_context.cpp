#include "gl/headless_context.h"

#include "gl/extensions.h"

#include <EGL/egl.h>
#include <EGL/eglext.h>

#include <cstring>

namespace cartonic::gl {

struct HeadlessContext::Handles {
    EGLDisplay display = EGL_NO_DISPLAY;
    EGLSurface surface = EGL_NO_SURFACE;
    EGLContext context = EGL_NO_CONTEXT;
};

namespace {

std::string eglErrorText(const char* what) {
    char code[16];
    std::snprintf(code, sizeof code, "0x%04X", static_cast<unsigned>(eglGetError()));
    return std::string(what) + " failed (EGL error " + code + ")";
}

} // namespace

Result<std::unique_ptr<HeadlessContext>> HeadlessContext::create() {
    const auto fail = [](const std::string& why) {
        return Status::unavailable("no headless OpenGL context: " + why);
    };

    const char* clientExtensions = eglQueryString(EGL_NO_DISPLAY, EGL_EXTENSIONS);
    if (!listsExtension(clientExtensions, "EGL_MESA_platform_surfaceless")) {
        return fail("EGL has no surfaceless platform (is Mesa's libegl1 installed?)");
    }
    auto getPlatformDisplay = reinterpret_cast<PFNEGLGETPLATFORMDISPLAYEXTPROC>(
        eglGetProcAddress("eglGetPlatformDisplayEXT"));
    if (!getPlatformDisplay) {
        return fail("eglGetPlatformDisplayEXT is missing");
    }

    std::unique_ptr<HeadlessContext> self(new HeadlessContext);
    self->handles_ = std::make_unique<Handles>();
    Handles& h = *self->handles_;
    h.display = getPlatformDisplay(EGL_PLATFORM_SURFACELESS_MESA, EGL_DEFAULT_DISPLAY, nullptr);
    if (h.display == EGL_NO_DISPLAY || !eglInitialize(h.display, nullptr, nullptr)) {
        return fail(eglErrorText("eglInitialize"));
    }
    if (!eglBindAPI(EGL_OPENGL_API)) {
        return fail(eglErrorText("eglBindAPI(OpenGL)"));
    }

    const EGLint configAttributes[] = {EGL_SURFACE_TYPE,
                                       EGL_PBUFFER_BIT,
                                       EGL_RENDERABLE_TYPE,
                                       EGL_OPENGL_BIT,
                                       EGL_RED_SIZE,
                                       8,
                                       EGL_GREEN_SIZE,
                                       8,
                                       EGL_BLUE_SIZE,
                                       8,
                                       EGL_NONE};
    EGLConfig config = nullptr;
    EGLint count = 0;
    if (!eglChooseConfig(h.display, configAttributes, &config, 1, &count) || count < 1) {
        return fail(eglErrorText("eglChooseConfig"));
    }
    const EGLint pbufferAttributes[] = {EGL_WIDTH, 16, EGL_HEIGHT, 16, EGL_NONE};
    h.surface = eglCreatePbufferSurface(h.display, config, pbufferAttributes);
    if (h.surface == EGL_NO_SURFACE) {
        return fail(eglErrorText("eglCreatePbufferSurface"));
    }
    // A compatibility profile: the scene is drawn with the fixed-function pipeline.
    const EGLint contextAttributes[] = {EGL_CONTEXT_OPENGL_PROFILE_MASK,
                                        EGL_CONTEXT_OPENGL_COMPATIBILITY_PROFILE_BIT, EGL_NONE};
    h.context = eglCreateContext(h.display, config, EGL_NO_CONTEXT, contextAttributes);
    if (h.context == EGL_NO_CONTEXT) {
        return fail(eglErrorText("eglCreateContext"));
    }
    if (!self->makeCurrent()) {
        return fail(eglErrorText("eglMakeCurrent"));
    }
    return self;
}

HeadlessContext::~HeadlessContext() {
    if (!handles_ || handles_->display == EGL_NO_DISPLAY) {
        return;
    }
    Handles& h = *handles_;
    eglMakeCurrent(h.display, EGL_NO_SURFACE, EGL_NO_SURFACE, EGL_NO_CONTEXT);
    if (h.context != EGL_NO_CONTEXT) {
        eglDestroyContext(h.display, h.context);
    }
    if (h.surface != EGL_NO_SURFACE) {
        eglDestroySurface(h.display, h.surface);
    }
    // The display is shared by every context of the process; Mesa keeps it initialised.
}

bool HeadlessContext::makeCurrent() {
    return eglMakeCurrent(handles_->display, handles_->surface, handles_->surface,
                          handles_->context) == EGL_TRUE;
}

} // namespace cartonic::gl
