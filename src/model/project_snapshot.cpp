#include "model/project_snapshot.h"

#include <cstring>

namespace cartonic {

ProjectSnapshot snapshotOf(const ProjectData& data) {
    ProjectData blank = data;
    for (FaceSlot& slot : blank.faceSlots) {
        slot.displayList = 0;
        slot.pixels = 0;
        slot.image = 0;
        slot.imageWidth = 0;
        slot.imageHeight = 0;
        slot.textureId = 0;
    }
    blank.floorTextureId = 0;
    blank.floorPatternTextureId = 0;
    // Which face the panel edits is where the user is looking, not an edit.
    blank.selectedFace = 0;
    ProjectSnapshot snapshot;
    std::memcpy(snapshot.bytes.data(), &blank, sizeof blank);
    return snapshot;
}

} // namespace cartonic
