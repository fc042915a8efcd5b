#include "export/headless_renderer.h"

#include "image/textures.h"
#include "render/gl_state.h"

namespace cartonic {

Result<std::unique_ptr<HeadlessRenderer>> HeadlessRenderer::create(ProjectData& data) {
    std::unique_ptr<HeadlessRenderer> renderer(new HeadlessRenderer(data));
    auto context = gl::HeadlessContext::create();
    if (!context) {
        return context.status;
    }
    renderer->context_ = std::move(context.value);
    initGLState(data);
    return renderer;
}

void HeadlessRenderer::buildSlotTexture(FaceSlot& slot, const SlotImage& image) {
    context_->makeCurrent();
    cartonic::buildSlotTexture(slot, image);
}

Status HeadlessRenderer::render(const Camera& camera, int width, int height, RgbaPicture& out,
                                const RenderSettings& settings) {
    context_->makeCurrent();
    return renderToBuffer(data_, camera, width, height, out, settings);
}

} // namespace cartonic
