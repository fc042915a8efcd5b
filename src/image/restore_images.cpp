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

std::vector<std::string> restoreProjectImages(ProjectData& data, SlotImages& images,
                                              const std::string& baseDir,
                                              std::vector<std::string>* reasons,
                                              const SlotPictureLoader& load) {
    std::vector<std::string> missing;
    if (reasons) {
        reasons->clear();
    }
    const auto restore = [&](int k, std::string_view stored) {
        const std::string path(stored);
        const Status restored =
            restoreSlot(data.faceSlots[k], images[k], resolveAgainst(baseDir, path), load);
        if (!restored) {
            missing.push_back(path);
            if (reasons) {
                reasons->push_back(restored.message());
            }
        }
    };
    for (int k = 0; k < kFaceCount; ++k) {
        restore(k, pathText(data.faceSlots[k].imagePath));
    }
    restore(kFloorSlot, pathText(data.floorImagePath));
    return missing;
}

} // namespace cartonic
