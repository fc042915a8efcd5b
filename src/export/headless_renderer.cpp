#include "export/headless_renderer.h"

#include "image/textures.h"
#include "render/gl_state.h"

namespace cartonic {

std::unique_ptr<HeadlessRenderer> HeadlessRenderer::create(ProjectData& data, std::string* why) {
    std::unique_ptr<HeadlessRenderer> renderer(new HeadlessRenderer(data));
    renderer->context_ = gl::HeadlessContext::create(why);
    if (!renderer->context_) {
        return nullptr;
    }
    initGLState(data);
    return renderer;
}

void HeadlessRenderer::makeCurrent() {
    context_->makeCurrent();
}

void HeadlessRenderer::buildSlotTexture(FaceSlot& slot, const SlotImage& image) {
    context_->makeCurrent();
    cartonic::buildSlotTexture(slot, image);
}

bool HeadlessRenderer::render(const Camera& camera, int width, int height, RgbaPicture& out,
                              std::string* why, const RenderSettings& settings) {
    context_->makeCurrent();
    return renderToBuffer(data_, camera, width, height, out, why, settings);
}

} // namespace cartonic
