#pragma once

// The textures an export draws its pictures with. The view keeps small copies of the pictures
// (image/picture_reduction.h), enough for a live frame; a picture for sale may need every pixel of
// a face's picture. For one export each face and the floor picture get a texture of their own at
// the texels the output needs of them, mipmapped and anisotropically filtered where the context
// offers it, built from the picture's file, and released after the export.

#include "camera/camera.h"
#include "image/slot_pictures.h"
#include "model/project_data.h"
#include "render/frame_passes.h"
#include "render/scene_textures.h"

#include <array>
#include <cstddef>
#include <string>
#include <vector>

namespace cartonic {

// Texture memory of one export, with mipmaps: each face's picture gets the texels its size on
// screen needs (no more than its file has); the floor's picture takes what the faces leave of
// this many times the RGBA bytes of the picture as its passes sample textures (passTexelScale
// times the output's sides), made smaller as far as it must.
inline constexpr double kExportTextureBudget = 2.0;

// The face and floor textures of one export, built in the current context for the pictures data
// shows; its destructor deletes them (with the same context current). base names the context's
// own objects, whose floor pattern is filtered for the export while it lasts. The picture is
// drawn in plan's passes: with several, textures are built for a picture passTexelScale times as
// large, as the passes sample them, and filtered without anisotropy, which the passes' own
// spread stands in for.
class FinalTextures {
public:
    FinalTextures(const ProjectData& data, const SceneTextures& base, const SlotPictures& pictures,
                  const Camera& camera, int width, int height, std::vector<std::string>* notes,
                  const PassPlan& plan = {});
    // For several pictures of width x height, one from each camera (a turntable's frames): each
    // texture has the texels the camera that needs most of it needs.
    FinalTextures(const ProjectData& data, const SceneTextures& base, const SlotPictures& pictures,
                  const std::vector<Camera>& cameras, int width, int height,
                  std::vector<std::string>* notes, const PassPlan& plan = {});
    ~FinalTextures();
    FinalTextures(const FinalTextures&) = delete;
    FinalTextures& operator=(const FinalTextures&) = delete;

    // Bytes of the textures built, mipmaps included.
    std::size_t bytes() const { return bytes_; }

    // base with the slots this export built a texture for drawn from those.
    SceneTextures over(const SceneTextures& base) const;

private:
    unsigned floorPattern_ = 0;
    std::array<unsigned, kSlotCount> built_{};
    std::size_t bytes_ = 0;
    bool patternFiltered_ = false;
    float previousPatternAnisotropy_ = 1.0f;
};

} // namespace cartonic
