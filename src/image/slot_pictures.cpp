#include "image/slot_pictures.h"

#include "image/image_loader.h"
#include "image/picture_cache.h"
#include "image/restore_images.h"

#include <algorithm>
#include <functional>

namespace cartonic {

PicturePaths storedPicturePaths(const ProjectData& data, const std::string& baseDir) {
    PicturePaths paths;
    for (int k = 0; k < kFaceCount; ++k) {
        paths[k] = resolveAgainst(baseDir, std::string(pathText(data.faceSlots[k].imagePath)));
    }
    paths[kFloorSlot] = resolveAgainst(baseDir, std::string(pathText(data.floorImagePath)));
    return paths;
}

namespace {

// The picture for a slot at wanted's size, decoded by load when the kept copy is too small.
QImage pictureFrom(const FaceSlot& slot, const SlotImage& kept, const std::string& path,
                   TextureSize wanted, const std::function<Status(QImage&)>& load,
                   std::string* note, Status* unread) {
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
    const Status loaded = load(picture);
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

} // namespace

QImage slotPicture(const FaceSlot& slot, const SlotImage& kept, const std::string& path,
                   TextureSize wanted, std::string* note, PictureCache* cache, Status* unread) {
    const auto load = [&](QImage& picture) {
        return path.empty() ? Status::notFound("no file is named")
               : cache      ? cache->loadWithin(path, wanted, picture)
                            : loadPictureWithin(path, wanted, picture);
    };
    return pictureFrom(slot, kept, path, wanted, load, note, unread);
}

QImage slotPicture(const FaceSlot& slot, const SlotPictures& pictures, int k, TextureSize wanted,
                   std::string* note, Status* unread) {
    const SlotImage& kept = (*pictures.kept)[k];
    const QByteArray& inside = pictures.embedded[k];
    if (inside.isEmpty()) {
        return slotPicture(slot, kept, pictures.paths[k], wanted, note, pictures.cache, unread);
    }
    const auto load = [&](QImage& picture) {
        return loadPictureBytesWithin(inside, wanted, picture, pictures.paths[k]);
    };
    return pictureFrom(slot, kept, pictures.paths[k] + " (inside the project)", wanted, load, note,
                       unread);
}

} // namespace cartonic
