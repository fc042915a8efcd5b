#pragma once

// The names of the GL objects one context draws a project with. They belong to a run, not to the
// project, but a project file stores the saving run's names in its runtime fields, so the
// project keeps the names it was last drawn with for its next save.

#include "model/project_data.h"

#include <array>

namespace cartonic {

struct SceneTextures {
    std::array<unsigned, kSlotCount> pictures{}; // each slot's picture; kFloorSlot the floor's
    std::array<unsigned, kFaceCount> faceLists{};
    unsigned floorPattern = 0;
    unsigned fadeRamp = 0; // a fading reflection's opacity (buildFadeRamp)
};

// The numbers a project file stores in its runtime fields: the names of the run that saved it.
void stampRuntimeNames(ProjectData& data, const SceneTextures& names);

} // namespace cartonic
