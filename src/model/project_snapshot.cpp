#include "model/project_snapshot.h"

#include <cstring>

namespace cartonic {

ProjectSnapshot snapshotOf(const ProjectData& data) {
    static const ProjectData zeroed = [] {
        ProjectData z;
        std::memset(static_cast<void*>(&z), 0, sizeof z);
        return z;
    }();
    ProjectData blank = data;
    copyRuntimeFields(blank, zeroed);
    // Picture sizes change when pictures are restored, not when the user edits.
    for (FaceSlot& slot : blank.faceSlots) {
        slot.imageWidth = 0;
        slot.imageHeight = 0;
    }
    // Which face the panel edits is where the user is looking, not an edit.
    blank.selectedFace = 0;
    ProjectSnapshot snapshot;
    std::memcpy(snapshot.bytes.data(), &blank, sizeof blank);
    return snapshot;
}

} // namespace cartonic
