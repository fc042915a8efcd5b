#include "model/project.h"

#include "model/picture_paths.h"

namespace cartonic {

std::string Project::folder() const {
    return path.empty() ? std::string() : absoluteFolderOf(path);
}

void stampRuntimeNames(ProjectData& data, const SceneTextures& names) {
    for (int k = 0; k < kSlotCount; ++k) {
        data.faceSlots[k].textureId = names.pictures[k];
    }
    for (int k = 0; k < kFaceCount; ++k) {
        data.faceSlots[k].displayList = names.faceLists[k];
    }
    data.floorTextureId = names.pictures[kFloorSlot];
    data.floorPatternTextureId = names.floorPattern;
}

} // namespace cartonic
