#include "export/headless_renderer.h"

#include "image/textures.h"
#include "render/gl_state.h"

#include <GL/gl.h>

namespace cartonic {

Result<std::unique_ptr<HeadlessRenderer>> HeadlessRenderer::create(ProjectData& data) {
    std::unique_ptr<HeadlessRenderer> renderer(new HeadlessRenderer(data));
    auto context = gl::HeadlessContext::create();
    if (!context) {
        return context.status;
    }
    renderer->context_ = std::move(context.value);
    initGLState(data);
    renderer->patternMipmaps_ = data.floorPatternMipmaps;
    return renderer;
}

HeadlessRenderer::~HeadlessRenderer() = default;

void HeadlessRenderer::prepareRecord() {
    context_->makeCurrent();
    if (data_.floorPatternMipmaps != patternMipmaps_) {
        const GLuint old = data_.floorPatternTextureId;
        glDeleteTextures(1, &old);
        buildFloorPattern(data_);
        patternMipmaps_ = data_.floorPatternMipmaps;
    }
    applyRecordGLState(data_);
}

void HeadlessRenderer::makeCurrent() {
    context_->makeCurrent();
}

void HeadlessRenderer::buildSlotTexture(FaceSlot& slot, const SlotImage& image) {
    context_->makeCurrent();
    const std::ptrdiff_t k = &slot - data_.faceSlots.data();
    if (k < 0 || k >= static_cast<std::ptrdiff_t>(textureNames_.size())) {
        cartonic::buildSlotTexture(slot, image);
        return;
    }
    // A slot left without a picture by the last record had its name taken away, not deleted.
    if (slot.textureId == 0) {
        slot.textureId = textureNames_[k];
    }
    if (slot.textureId == 0 && !image.empty()) {
        GLuint name = 0;
        glGenTextures(1, &name);
        slot.textureId = name;
    }
    textureNames_[k] = slot.textureId;
    // What the upload also does: textured faces are lit.
    glTexEnvf(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_MODULATE);
    // Uploaded when a frame is to draw it: a picture drawn with the export's own textures never
    // needs the record's.
    pending_[k] = image;
}

void HeadlessRenderer::uploadPending() {
    for (std::size_t k = 0; k < pending_.size(); ++k) {
        const SlotImage& image = pending_[k];
        if (image.empty()) {
            continue;
        }
        FaceSlot& slot = data_.faceSlots[k];
        // A picture already in the slot's texture (the same QImage data, as a PictureCache hands
        // out) is not uploaded again.
        if (slot.textureId != textureNames_[k] || image.image.cacheKey() != uploaded_[k]) {
            cartonic::buildSlotTexture(slot, image);
            textureNames_[k] = slot.textureId;
            uploaded_[k] = image.image.cacheKey();
        }
        pending_[k] = {};
    }
}

Status HeadlessRenderer::render(const Camera& camera, int width, int height, RgbaPicture& out,
                                const RenderSettings& settings) {
    context_->makeCurrent();
    if (!settings.pictures) {
        uploadPending();
    }
    return renderToBuffer(data_, camera, width, height, out, settings);
}

} // namespace cartonic
