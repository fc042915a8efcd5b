#pragma once

// Decoded pictures by file, for a process that loads the same files again and again (a batch of
// renders naming the same pictures). A file is known by its path and by what the file system says
// of it (device, inode, size, modification and change times), so a file replaced between two
// loads is decoded anew, and so is one rewritten in place with its modification time put back
// (cp -p, rsync --inplace -t), which only the change time, set by the system, tells. A file that
// decodes whole before it is reduced (every kind but an upright JPEG) is kept whole and serves
// every size asked of it, byte for byte as a load at that size would. The cache holds at most a
// given number of picture bytes; the least recently used entries go first.

#include "base/status.h"
#include "image/picture_reduction.h"
#include "model/project_data.h"
#include "model/slot_images.h"

#include <QImage>

#include <cstddef>
#include <cstdint>
#include <list>
#include <optional>
#include <string>

namespace cartonic {

inline constexpr std::size_t kDefaultPictureCacheBytes = std::size_t{512} << 20;

class PictureCache {
public:
    // maxBytes 0 keeps nothing: every load decodes, as without a cache.
    explicit PictureCache(std::size_t maxBytes = kDefaultPictureCacheBytes) : maxBytes_(maxBytes) {}

    // loadImage (image/image_loader.h), from the cache when the file was loaded so before.
    Status loadSlotPicture(FaceSlot& slot, SlotImage& image, const std::string& path);

    // loadPictureWithin, from the cache when the file was loaded so before at the same most.
    Status loadWithin(const std::string& path, TextureSize most, QImage& picture);

    std::size_t bytes() const { return bytes_; }
    std::size_t hits() const { return hits_; }
    std::size_t misses() const { return misses_; }

private:
    struct FileIdentity {
        std::uint64_t device = 0;
        std::uint64_t inode = 0;
        std::int64_t size = 0;
        std::int64_t modifiedSeconds = 0;
        std::int64_t modifiedNanoseconds = 0;
        std::int64_t changedSeconds = 0;
        std::int64_t changedNanoseconds = 0;
        bool operator==(const FileIdentity&) const = default;
    };
    // A slot picture has most {0, 0}, a whole picture kWhole; a picture within a most has it.
    struct Key {
        std::string path;
        FileIdentity file;
        TextureSize most{0, 0};
        bool operator==(const Key& other) const {
            return path == other.path && file == other.file && most.width == other.most.width &&
                   most.height == other.most.height;
        }
    };
    struct Entry {
        Key key;
        QImage picture;
        std::int32_t fileWidth = 0; // a slot picture's file's own size
        std::int32_t fileHeight = 0;
    };

    static constexpr TextureSize kWhole{-1, -1};

    static std::optional<Key> keyFor(const std::string& path, TextureSize most);
    // The entry for key, now the most recently used; nullptr when there is none.
    const Entry* find(const Key& key);
    // The file's whole picture, when it is kept.
    const QImage* whole(const Key& key);
    void keep(Entry entry);
    // Keeps what a load gave: the file's whole picture when it decoded whole, else sized.
    void keepLoaded(Entry sized, QImage whole);

    std::size_t maxBytes_;
    std::size_t bytes_ = 0;
    std::size_t hits_ = 0;
    std::size_t misses_ = 0;
    std::list<Entry> entries_; // most recently used first
};

} // namespace cartonic
