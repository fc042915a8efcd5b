#pragma once

// The textures an export draws its pictures with. The view keeps small copies of the pictures
// (image/picture_reduction.h), enough for a live frame; a picture for sale may need every pixel of
// a face's picture. For one export each face and the floor picture get a texture of their own at
// the texels the output needs of them, mipmapped and anisotropically filtered where the context
// offers it, built from the picture's file, and released after the export.

#include "base/status.h"
#include "camera/camera.h"
#include "image/picture_reduction.h"
#include "model/project_data.h"
#include "model/slot_images.h"
#include "render/scene_textures.h"

#include <QImage>

#include <array>
#include <cstddef>
#include <string>
#include <vector>

namespace cartonic {

// The picture file of each slot (faces 0..5, the floor kFloorSlot) as it is to be opened; "" for
// none.
using PicturePaths = std::array<std::string, kSlotCount>;

// The record's stored picture paths, relative ones taken against baseDir as Open takes them.
PicturePaths storedPicturePaths(const ProjectData& data, const std::string& baseDir);

class PictureCache;

// What an export builds its textures from: the slots' kept pictures and their files, decoded
// through cache when one is given.
struct SlotPictures {
    const SlotImages* kept = nullptr;
    PicturePaths paths;
    PictureCache* cache = nullptr;
};

// The picture for a slot at wanted's size (no side larger than the file's): decoded from path when
// the kept copy is smaller than wanted, else reduced from the kept copy. When the file cannot be
// read, the kept copy serves at the size it has, *note says so and *unread gets the loader's
// Status.
QImage slotPicture(const FaceSlot& slot, const SlotImage& kept, const std::string& path,
                   TextureSize wanted, std::string* note, PictureCache* cache = nullptr,
                   Status* unread = nullptr);

// Texels a slot's picture needs across its width and its height so that the picture shows every
// pixel it can in a width x height picture of camera's view (the face, and its mirror image when
// the reflection shows; for kFloorSlot the floor): the most screen pixels a unit of the texture
// coordinates covers anywhere on the visible surface. At least 1 each.
TextureSize neededTexels(const ProjectData& data, int slot, const Camera& camera, int width,
                         int height);

// The most a pixel's footprint in a texture of texture's size is longer than it is wide (counting
// a magnified side as one texel) anywhere on the slot's surfaces in camera's view: the anisotropic
// filtering that shows the picture there as sharply as plain filtering would a surface facing the
// camera. At least 1.
double neededAnisotropy(const ProjectData& data, int slot, const Camera& camera, int width,
                        int height, TextureSize texture);

// Texture memory of one export, with mipmaps, is kept within this many times the picture's own
// RGBA bytes; beyond it every texture is made smaller in the same proportion.
inline constexpr double kExportTextureBudget = 2.0;

// The face and floor textures of one export, built in the current context for the pictures data
// shows; its destructor deletes them (with the same context current). base names the context's
// own objects, whose floor pattern is filtered for the export while it lasts.
class ExportTextures {
public:
    ExportTextures(const ProjectData& data, const SceneTextures& base, const SlotPictures& pictures,
                   const Camera& camera, int width, int height, std::vector<std::string>* notes);
    // For several pictures of width x height, one from each camera (a turntable's frames): each
    // texture has the texels the camera that needs most of it needs.
    ExportTextures(const ProjectData& data, const SceneTextures& base, const SlotPictures& pictures,
                   const std::vector<Camera>& cameras, int width, int height,
                   std::vector<std::string>* notes);
    ~ExportTextures();
    ExportTextures(const ExportTextures&) = delete;
    ExportTextures& operator=(const ExportTextures&) = delete;

    // Bytes of the textures built, mipmaps included.
    std::size_t bytes() const { return bytes_; }

    // base with the slots this export built a texture for drawn from those.
    SceneTextures over(const SceneTextures& base) const;

private:
    unsigned floorPattern_ = 0;
    std::array<unsigned, kSlotCount> built_{};
    std::size_t bytes_ = 0;
    float previousPatternAnisotropy_ = 1.0f;
};

} // namespace cartonic
