#include "model/slot_images.h"

namespace cartonic {

SlotImages& slotImages() {
    static SlotImages table;
    return table;
}

void resetProject(ProjectData& data, SlotImages& images) {
    data.setDefaults();
    for (int k = 0; k < kFaceCount; ++k) {
        images[k] = SlotImage{};
    }
}

} // namespace cartonic
