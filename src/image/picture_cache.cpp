#include "image/picture_cache.h"

#include "image/image_loader.h"
#include "image/vector_pictures.h"

#include <sys/stat.h>

#include <optional>

namespace cartonic {

std::optional<PictureCache::Key> PictureCache::keyFor(const std::string& path, TextureSize most) {
    struct stat info {};
    // What is not a regular file is left to the loader, which says what is wrong with it. A PDF's
    // pages share the file's identity; the path, fragment and all, tells them apart.
    if (::stat(pictureFileOf(path).c_str(), &info) != 0 || !S_ISREG(info.st_mode)) {
        return std::nullopt;
    }
    return Key{path,
               {info.st_dev, info.st_ino, info.st_size, info.st_mtim.tv_sec, info.st_mtim.tv_nsec,
                info.st_ctim.tv_sec, info.st_ctim.tv_nsec},
               most};
}

const PictureCache::Entry* PictureCache::find(const Key& key) {
    for (auto it = entries_.begin(); it != entries_.end(); ++it) {
        if (it->key == key) {
            entries_.splice(entries_.begin(), entries_, it);
            return &entries_.front();
        }
    }
    return nullptr;
}

const QImage* PictureCache::whole(const Key& key) {
    Key wholeKey = key;
    wholeKey.most = kWhole;
    const Entry* entry = find(wholeKey);
    return entry ? &entry->picture : nullptr;
}

void PictureCache::keep(Entry entry) {
    const std::size_t size = static_cast<std::size_t>(entry.picture.sizeInBytes());
    if (size > maxBytes_) {
        return;
    }
    while (bytes_ + size > maxBytes_ && !entries_.empty()) {
        bytes_ -= static_cast<std::size_t>(entries_.back().picture.sizeInBytes());
        entries_.pop_back();
    }
    bytes_ += size;
    entries_.push_front(std::move(entry));
}

void PictureCache::keepLoaded(Entry sized, QImage whole) {
    if (!whole.isNull()) {
        sized = {{std::move(sized.key.path), sized.key.file, kWhole}, std::move(whole), 0, 0};
    }
    keep(std::move(sized));
}

Status PictureCache::loadSlotPicture(FaceSlot& slot, SlotImage& image, const std::string& path) {
    std::optional<Key> key = keyFor(path, {0, 0});
    if (!key) {
        return loadImage(slot, image, path);
    }
    if (const QImage* picture = whole(*key)) {
        QImage reduced =
            reducedTo(*picture, textureUploadSize(picture->width(), picture->height()));
        if (!reduced.isNull()) {
            ++hits_;
            slot.imageWidth = picture->width();
            slot.imageHeight = picture->height();
            image.image.swap(reduced);
            return {};
        }
    }
    if (const Entry* entry = find(*key)) {
        ++hits_;
        image.image = entry->picture;
        slot.imageWidth = entry->fileWidth;
        slot.imageHeight = entry->fileHeight;
        return {};
    }
    ++misses_;
    QImage full;
    if (Status loaded = loadImage(slot, image, path, &full); !loaded) {
        return loaded;
    }
    keepLoaded({std::move(*key), image.image, slot.imageWidth, slot.imageHeight}, std::move(full));
    return {};
}

Status PictureCache::loadWithin(const std::string& path, TextureSize most, QImage& picture) {
    std::optional<Key> key = keyFor(path, most);
    if (!key) {
        return loadPictureWithin(path, most, picture);
    }
    if (const QImage* full = whole(*key)) {
        QImage reduced = reducedTo(*full, sizeWithin(full->width(), full->height(), most));
        if (!reduced.isNull()) {
            ++hits_;
            picture.swap(reduced);
            return {};
        }
    }
    if (const Entry* entry = find(*key)) {
        ++hits_;
        picture = entry->picture;
        return {};
    }
    ++misses_;
    QImage full;
    if (Status loaded = loadPictureWithin(path, most, picture, &full); !loaded) {
        return loaded;
    }
    keepLoaded({std::move(*key), picture, 0, 0}, std::move(full));
    return {};
}

} // namespace cartonic
