#pragma once

// Which picture an export draws or embeds for each slot: the kept copy when it is large enough,
// else the picture's file read again at the size wanted.

#include "base/status.h"
#include "image/picture_reduction.h"
#include "model/project_data.h"
#include "model/slot_images.h"

#include <QImage>

#include <array>
#include <string>

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
    // A slot's picture file as the project keeps it inside (embedded_pictures.h), decoded in place
    // of the file at its path; empty for the other slots.
    std::array<QByteArray, kSlotCount> embedded{};
};

// The picture for a slot at wanted's size (no side larger than the file's): decoded from path when
// the kept copy is smaller than wanted, else reduced from the kept copy. When the file cannot be
// read, the kept copy serves at the size it has, *note says so and *unread gets the loader's
// Status.
QImage slotPicture(const FaceSlot& slot, const SlotImage& kept, const std::string& path,
                   TextureSize wanted, std::string* note, PictureCache* cache = nullptr,
                   Status* unread = nullptr);

// The same for slot k of pictures, its file being the one the project keeps inside when there is
// one, else the one at its path.
QImage slotPicture(const FaceSlot& slot, const SlotPictures& pictures, int k, TextureSize wanted,
                   std::string* note, Status* unread = nullptr);

} // namespace cartonic
