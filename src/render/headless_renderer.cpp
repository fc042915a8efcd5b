#include "render/headless_renderer.h"

#include "render/gl_state.h"

namespace cartonic {

Result<std::unique_ptr<HeadlessRenderer>> HeadlessRenderer::create(const ProjectData& data) {
    std::unique_ptr<HeadlessRenderer> renderer(new HeadlessRenderer);
    auto context = gl::HeadlessContext::create();
    if (!context) {
        return context.status;
    }
    renderer->context_ = std::move(context.value);
    initGLState(data);
    return renderer;
}

HeadlessRenderer::~HeadlessRenderer() {
    if (context_ && context_->makeCurrent()) {
        resources_.release();
    }
}

Status HeadlessRenderer::makeCurrent() {
    return context_->makeCurrent()
               ? Status()
               : Status::unavailable("the headless OpenGL context cannot be made current");
}

void HeadlessRenderer::prepareRecord(const ProjectData& data) {
    if (makeCurrent()) {
        applyRecordGLState(data);
    }
}

const SceneTextures& HeadlessRenderer::textures(const ProjectData& data, const SlotImages& images,
                                                SceneResources::Pictures pictures) {
    resources_.update(data, images, pictures);
    return resources_.names();
}

Status HeadlessRenderer::render(const ProjectData& data, const SlotImages& images,
                                const Camera& camera, int width, int height, RgbaPicture& out,
                                const RenderSettings& settings) {
    if (Status current = makeCurrent(); !current) {
        return current;
    }
    const auto pictures =
        settings.pictures ? SceneResources::Pictures::Skip : SceneResources::Pictures::Upload;
    return renderToBuffer(data, textures(data, images, pictures), camera, width, height, out,
                          settings);
}

} // namespace cartonic
