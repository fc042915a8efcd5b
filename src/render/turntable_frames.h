#pragma once

// The frames of a turntable: the box seen from cameras evenly spaced around it, each the start
// camera orbited about the vertical line through its target. The export's textures
// (final_textures.h) are built once, for every frame, rather than for each.

#include "model/limits.h"

#include "render/render_to_buffer.h"

#include <optional>
#include <string>
#include <vector>

namespace cartonic {

// Frame index's camera of a turntable of count frames: start orbited by 2 pi index / count
// radians (Camera::yaw: counter-clockwise seen from above). Needs no GL context.
Camera turntableCamera(const Camera& start, int index, int count);

class TurntableFrames {
public:
    // count frames (kMinTurntableFrames..kMaxTurntableFrames) of width x height from start as
    // it is (aspect included, as renderToBuffer takes it), drawn as settings say. With
    // settings.pictures, the export's textures are built now, at the texels the frame that
    // needs most of each picture needs, and *settings.notes gets what could not be done.
    // textures names the context's own objects. The GL context must be current, with
    // initGLState done, here, for each render and for the destructor; data and textures outlive
    // the frames.
    TurntableFrames(const ProjectData& data, const SceneTextures& textures, const Camera& start,
                    int count, int width, int height, const RenderSettings& settings);
    // Deletes the export's textures.
    ~TurntableFrames();
    TurntableFrames(const TurntableFrames&) = delete;
    TurntableFrames& operator=(const TurntableFrames&) = delete;

    int count() const { return static_cast<int>(cameras_.size()); }

    // Draws frame index (0..count - 1) into out; fails as renderToBuffer does.
    Status render(int index, RgbaPicture& out);

private:
    const ProjectData& data_;
    SceneTextures textures_; // the context's, or the export's where it built its own
    std::vector<Camera> cameras_;
    int width_;
    int height_;
    RenderSettings settings_; // without pictures: the textures below serve every frame
    std::optional<FinalTextures> exportTextures_;
};

} // namespace cartonic
