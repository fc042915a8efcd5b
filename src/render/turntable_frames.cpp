#include "render/turntable_frames.h"

#include <numbers>

namespace cartonic {

Camera turntableCamera(const Camera& start, int index, int count) {
    Camera camera = start;
    if (index != 0 && count > 0) {
        camera.yaw(static_cast<float>(2.0 * std::numbers::pi * index / count));
    }
    return camera;
}

TurntableFrames::TurntableFrames(const ProjectData& data, const SceneTextures& textures,
                                 const Camera& start, int count, int width, int height,
                                 const RenderSettings& settings)
    : data_(data), textures_(textures), width_(width), height_(height), settings_(settings) {
    for (int i = 0; i < count; ++i) {
        cameras_.push_back(turntableCamera(start, i, count));
    }
    if (settings.pictures) {
        exportTextures_.emplace(data_, textures, *settings.pictures, cameras_, width, height,
                                settings.notes, picturePasses(settings.samples));
        textures_ = exportTextures_->over(textures);
    }
    settings_.pictures = nullptr;
}

TurntableFrames::~TurntableFrames() {
    exportTextures_.reset();
}

Status TurntableFrames::render(int index, RgbaPicture& out) {
    return renderToBuffer(data_, textures_, cameras_.at(static_cast<std::size_t>(index)), width_,
                          height_, out, settings_);
}

} // namespace cartonic
