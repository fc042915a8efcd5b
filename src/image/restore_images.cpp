#include "image/restore_images.h"

#include "image/image_loader.h"

namespace cartonic {

namespace {

// Loads path into the slot; on failure the slot is left with no picture. Without
// a path, the slot is cleared and that is no failure.
Status restoreSlot(FaceSlot& slot, SlotImage& image, const std::string& path,
                   const SlotPictureLoader& load) {
    Status loaded = path.empty() ? Status()
                    : load       ? load(slot, image, path)
                                 : loadImage(slot, image, path);
    if (!path.empty() && loaded) {
        return loaded;
    }
    image = SlotImage{};
    slot.imageWidth = 0;
    slot.imageHeight = 0;
    return loaded;
}

} // namespace

std::string resolveAgainst(const std::string& baseDir, const std::string& path) {
    if (path.empty() || path.front() == '/' || baseDir.empty()) {
        return path;
    }
    return baseDir.back() == '/' ? baseDir + path : baseDir + "/" + path;
}

std::vector<UnloadedPicture> restoreProjectImages(ProjectData& data, SlotImages& images,
                                                  const std::string& baseDir,
                                                  const SlotPictureLoader& load) {
    std::vector<UnloadedPicture> unloaded;
    const auto restore = [&](int k, std::string_view stored) {
        std::string path(stored);
        Status restored =
            restoreSlot(data.faceSlots[k], images[k], resolveAgainst(baseDir, path), load);
        if (!restored) {
            unloaded.push_back({std::move(path), std::move(restored), k});
        }
    };
    for (int k = 0; k < kFaceCount; ++k) {
        restore(k, pathText(data.faceSlots[k].imagePath));
    }
    restore(kFloorSlot, pathText(data.floorImagePath));
    return unloaded;
}

} // namespace cartonic
