#pragma once

// Runtime resources of the record's surface slots: the decoded picture of each slot. They live
// beside the record because its handle fields are 32 bits wide and a file may carry any number in
// them. One QImage in RGBX8888 serves both uses: its bits are the RGBA pixel buffer the texture
// is built from (A = 255, top row first, rows unpadded since 4 x width is always word aligned),
// and the panels draw their previews from it.

#include "model/project_data.h"

#include <QImage>

#include <array>
#include <cstdint>

namespace cartonic {

struct SlotImage {
    QImage image; // null when the slot holds no picture

    bool empty() const { return image.isNull(); }
    // RGBA bytes, imageWidth x imageHeight x 4, top row first; nullptr when empty.
    const std::uint8_t* pixels() const { return empty() ? nullptr : image.constBits(); }
};

using SlotImages = std::array<SlotImage, kSlotCount>;

// File New: the record's defaults, and the six face slots' pictures dropped. Slot 6 (the floor)
// keeps its picture; the caller decides whether the floor texture is forgotten.
void resetProject(ProjectData& data, SlotImages& images);

} // namespace cartonic
