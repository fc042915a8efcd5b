#include "model/slot_images.h"

namespace cartonic {

void resetProject(ProjectData& data, SlotImages& images) {
    data.setDefaults();
    for (int k = 0; k < kFaceCount; ++k) {
        images[k] = SlotImage{};
    }
}

} // namespace cartonic
