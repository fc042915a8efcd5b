#pragma once

// The box: its six faces with their materials, pictures and picture orientations, and the
// outline of the selected face.

#include "model/project_data.h"

#include <array>

namespace cartonic {

using Rgb = std::array<float, 3>;

// Draws one face from its display list with its material, and with its texture turned by
// slot.orientation when it has a texture and showTexture is on (otherwise untextured). Leaves
// the model-view matrix mode selected and the texture matrix as it found it. Needs the context
// that built the slot's list and texture to be current.
void drawFace(const FaceSlot& slot);

// A closed 3-pixel-wide line through the slot's four corners in color, drawn unlit, untextured
// and without depth testing; leaves texturing, depth testing and lighting off. Needs a current
// context with the line width set at start-up.
void drawOutline(const FaceSlot& slot, const Rgb& color);

// The six faces under the box scale, then the outline of the selected face when withOutline is
// true, data.showSelection is on and data.hideOverlays is off. Balances its matrix pushes.
void drawBox(const ProjectData& data, bool withOutline);

} // namespace cartonic
