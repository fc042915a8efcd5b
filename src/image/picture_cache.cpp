#include "image/picture_cache.h"

#include "image/image_loader.h"

#include <sys/stat.h>

#include <optional>

namespace cartonic {

std::optional<PictureCache::Key> PictureCache::keyFor(const std::string& path, TextureSize most) {
    struct stat info {};
    // What is not a regular file is left to the loader, which says what is wrong with it.
    if (::stat(path.c_str(), &info) != 0 || !S_ISREG(info.st_mode)) {
        return std::nullopt;
    }
    return Key{path,
               {info.st_dev, info.st_ino, info.st_size, info.st_mtim.tv_sec, info.st_mtim.tv_nsec},
               most};
}

const PictureCache::Entry* PictureCache::find(const Key& key) {
    for (auto it = entries_.begin(); it != entries_.end(); ++it) {
        if (it->key == key) {
            entries_.splice(entries_.begin(), entries_, it);
            ++hits_;
            return &entries_.front();
        }
    }
    ++misses_;
    return nullptr;
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

Status PictureCache::loadSlotPicture(FaceSlot& slot, SlotImage& image, const std::string& path) {
    std::optional<Key> key = keyFor(path, {0, 0});
    if (!key) {
        return loadImage(slot, image, path);
    }
    if (const Entry* entry = find(*key)) {
        image.image = entry->picture;
        slot.imageWidth = entry->fileWidth;
        slot.imageHeight = entry->fileHeight;
        return {};
    }
    if (Status loaded = loadImage(slot, image, path); !loaded) {
        return loaded;
    }
    keep({std::move(*key), image.image, slot.imageWidth, slot.imageHeight});
    return {};
}

Status PictureCache::loadWithin(const std::string& path, TextureSize most, QImage& picture) {
    std::optional<Key> key = keyFor(path, most);
    if (!key) {
        return loadPictureWithin(path, most, picture);
    }
    if (const Entry* entry = find(*key)) {
        picture = entry->picture;
        return {};
    }
    if (Status loaded = loadPictureWithin(path, most, picture); !loaded) {
        return loaded;
    }
    keep({std::move(*key), picture, 0, 0});
    return {};
}

} // namespace cartonic
