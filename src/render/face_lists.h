#pragma once

// The box faces compiled into display lists. The lists hold the record's face geometry (the unit
// box in every file the program writes); the box's size is applied as a scale when it is drawn.

#include "model/project_data.h"

namespace cartonic {

// Compiles the slot's quad (flat shading, its normal, each corner's (s, t) then (x, y, z)) into a
// new display list and returns its name. Needs a current context; the list lives as long as that
// context, or until deleted.
unsigned buildFaceList(const FaceSlot& slot);

} // namespace cartonic
