#pragma once

// The box: its six faces with their materials, pictures and picture orientations, and the
// outline of the selected face.

#include "model/project_data.h"
#include "render/scene_textures.h"

#include <array>

namespace cartonic {

using Rgb = std::array<float, 3>;

// Draws one face from its display list with its material, and with texture turned by
// slot.orientation when texture is not 0 and showTexture is on (otherwise untextured). Leaves
// the model-view matrix mode selected and the texture matrix as it found it. Needs the context
// that built the list and texture to be current.
void drawFace(const FaceSlot& slot, unsigned texture, unsigned list);

// A closed 3-pixel-wide line through the slot's four corners in color, drawn unlit, untextured
// and without depth testing; leaves texturing, depth testing and lighting off. Needs a current
// context with the line width set at start-up.
void drawOutline(const FaceSlot& slot, const Rgb& color);

// No face outlined.
inline constexpr int kNoOutline = -1;

// The six faces under the box scale, then the outline of outlinedFace when it is a box face
// (0..5) and data.hideOverlays is off. Balances its matrix pushes.
void drawBox(const ProjectData& data, const SceneTextures& textures, int outlinedFace);

} // namespace cartonic
