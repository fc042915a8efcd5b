#pragma once

// The box faces compiled into display lists. The lists hold the unit box; the box's size is
// applied as a scale when it is drawn, so they are built once and never rebuilt.

#include "model/project_data.h"

namespace cartonic {

// Compiles the slot's quad (flat shading, its normal, each corner's (s, t) then (x, y, z)) into a
// new display list and stores its name in slot.displayList. Needs a current context; the list
// lives as long as that context.
void buildList(FaceSlot& slot);

// buildList for the six box faces (slots 0..5) in order. Needs a current context.
void buildFaceLists(ProjectData& data);

} // namespace cartonic
