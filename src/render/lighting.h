#pragma once

// The scene's one light (OpenGL light 0, a positional spot circling the box) and the materials
// the box faces are lit with. Everything else in the scene is drawn unlit.

#include "model/project_data.h"

namespace cartonic {

// The front material loaded once at start-up. Ambient, diffuse and specular are replaced by each
// face as it is drawn; emission and shininess are never touched again, so every face glows a
// little and carries a tight highlight.
inline constexpr Rgba kBaseMaterialAmbient = {0.3f, 0.3f, 0.3f, 1.0f};
inline constexpr Rgba kBaseMaterialDiffuse = {0.6f, 0.6f, 0.6f, 1.0f};
inline constexpr Rgba kBaseMaterialSpecular = {1.0f, 1.0f, 1.0f, 1.0f};
inline constexpr Rgba kBaseMaterialEmission = {0.4f, 0.4f, 0.3f, 1.0f};
inline constexpr float kBaseMaterialShininess = 128.0f;

// Loads light 0 (enabled, spot, colours, data.lightPosition and data.spotDirection in world
// coordinates) into the current context and switches lighting per data.lightingEnabled. Leaves the
// current matrix mode's matrix as it found it. Needs a current context; does not repaint.
void applyLight(const ProjectData& data);

// Gives light 0's position again from data.lightPosition under the current model-view matrix
// (the mirror pass uses this to light the mirrored box). Needs a current context.
void specifyLightPosition(const ProjectData& data);

// Loads the base front material (the constants above). Needs a current context.
void applyBaseMaterial();

// Loads a face's ambient, diffuse and specular colours (all four components) as the front
// material; emission and shininess stay from the base material. Needs a current context.
void applyFaceMaterial(const FaceSlot& slot);

} // namespace cartonic
