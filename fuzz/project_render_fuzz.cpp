// Any bytes, opened as a project file into a record whose OpenGL state is set up, then drawn the
// way the view draws after a load and a light drag: the light applied, a whole frame rendered.
// Neither may crash, trip a sanitizer or leave an OpenGL error.

#include "camera/camera.h"
#include "fuzz_support.h"
#include "gl/gl_errors.h"
#include "gl/headless_context.h"
#include "gl/offscreen_target.h"
#include "model/project_file.h"
#include "render/gl_state.h"
#include "render/lighting.h"
#include "render/scene_renderer.h"
#include "render/scene_textures.h"

#include <GL/gl.h>

#include <cstdio>
#include <cstdlib>
#include <memory>

using namespace cartonic;

namespace {

constexpr int kWidth = 64;
constexpr int kHeight = 48;

struct Scene {
    std::unique_ptr<gl::HeadlessContext> context;
    std::unique_ptr<gl::OffscreenTarget> target;
    ProjectData start;
    SceneResources resources;
    Camera camera = Camera::startUp();
};

Scene& scene() {
    static Scene s = [] {
        Scene made;
        auto context = gl::HeadlessContext::create();
        Status status = context.status;
        if (context) {
            made.context = std::move(context.value);
            auto target = gl::OffscreenTarget::create(kWidth, kHeight);
            made.target = std::move(target.value);
            status = target.status;
        }
        if (!made.target) {
            std::fprintf(stderr, "no headless OpenGL: %s\n", status.message().c_str());
            std::abort();
        }
        made.start.setDimensions(kStartBoxWidth, kStartBoxDepth, kStartBoxHeight);
        initGLState(made.start);
        made.camera.setViewSize(kWidth, kHeight);
        return made;
    }();
    return s;
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    fuzz::quietMessages();
    scene();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    Scene& s = scene();
    // One record for the whole run, as a process's project is.
    static ProjectData live;
    live = s.start;
    // A refused file leaves the start record, which is drawn all the same.
    static_cast<void>(loadProject(live, fuzz::inputAsFile(data, size)));

    live.updateLightPosition();
    applyLight(live);
    s.camera.applyProjection();
    s.resources.update(live, SlotImages{});
    drawFrame(live, s.resources.names(), {.outlinedFace = selectionOutline(live)});
    const GLenum error = glGetError();
    gl::clearPendingErrors();
    FUZZ_REQUIRE(error == GL_NO_ERROR);
    return 0;
}
