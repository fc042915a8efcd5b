#pragma once

// After a project file is read: its pictures come back from the paths it stores. Every slot is
// refilled or cleared here; whoever draws makes textures of the pictures.

#include "base/status.h"
#include "model/project_data.h"
#include "model/slot_images.h"

#include <functional>
#include <string>
#include <vector>

namespace cartonic {

// Loads a picture file into a slot as loadImage (image/image_loader.h) does.
using SlotPictureLoader = std::function<Status(FaceSlot&, SlotImage&, const std::string&)>;

// A picture a project names that could not be loaded: its path as stored, and the loader's
// failure.
struct UnloadedPicture {
    std::string path;
    Status status;
    int slot = 0; // a face, or kFloorSlot
};

// Reloads each face's picture from its imagePath and the floor picture (slot 6) from
// floorImagePath, relative paths taken against baseDir. A slot without a path, or whose picture
// cannot be loaded, is cleared (no picture; the floor falls back to its pattern) and keeps its
// path. Returns the pictures that could not be loaded, in slot order. load, when given, stands in
// for loadImage.
[[nodiscard]] std::vector<UnloadedPicture> restoreProjectImages(ProjectData& data,
                                                                SlotImages& images,
                                                                const std::string& baseDir,
                                                                const SlotPictureLoader& load = {});

// path as is when absolute or empty, otherwise baseDir/path.
std::string resolveAgainst(const std::string& baseDir, const std::string& path);

} // namespace cartonic
