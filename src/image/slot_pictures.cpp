#include "image/slot_pictures.h"

#include "image/image_loader.h"
#include "image/picture_cache.h"
#include "image/restore_images.h"

#include <algorithm>

namespace cartonic {

PicturePaths storedPicturePaths(const ProjectData& data, const std::string& baseDir) {
    PicturePaths paths;
    for (int k = 0; k < kFaceCount; ++k) {
        paths[k] = resolveAgainst(baseDir, std::string(pathText(data.faceSlots[k].imagePath)));
    }
    paths[kFloorSlot] = resolveAgainst(baseDir, std::string(pathText(data.floorImagePath)));
    return paths;
}

QImage slotPicture(const FaceSlot& slot, const SlotImage& kept, const std::string& path,
                   TextureSize wanted, std::string* note, PictureCache* cache, Status* unread) {
    const QSize keptSize = kept.empty() ? QSize() : kept.image.size();
    const auto reducedFrom = [](const QImage& picture, TextureSize size) {
        size = {std::min(size.width, picture.width()), std::min(size.height, picture.height())};
        if (size.width == picture.width() && size.height == picture.height()) {
            return picture;
        }
        QImage reduced(size.width, size.height, QImage::Format_RGBX8888);
        if (!reduced.isNull()) {
            averageRgbaPicture(picture.constBits(), picture.width(), picture.height(),
                               reduced.bits(), size.width, size.height);
        }
        return reduced;
    };
    if (!kept.empty() &&
        (keptSize.width() >= wanted.width || keptSize.width() >= slot.imageWidth) &&
        (keptSize.height() >= wanted.height || keptSize.height() >= slot.imageHeight)) {
        return reducedFrom(kept.image, wanted);
    }
    QImage picture;
    const Status loaded = path.empty() ? Status::notFound("no file is named")
                          : cache      ? cache->loadWithin(path, wanted, picture)
                                       : loadPictureWithin(path, wanted, picture);
    if (loaded) {
        return picture;
    }
    if (unread) {
        *unread = loaded;
    }
    if (note) {
        *note = "cannot load the picture " + path + " again (" + loaded.message() +
                "); its kept copy of " + std::to_string(keptSize.width()) + " x " +
                std::to_string(keptSize.height()) + " pixels is used";
    }
    return kept.empty() ? QImage() : reducedFrom(kept.image, wanted);
}

} // namespace cartonic
