#pragma once

// The one-time OpenGL state of a rendering context: the light and the fixed settings every frame
// relies on (its textures and display lists are a SceneResources'). The window view and headless
// rendering (export, command line, tests) share it.

#include "model/project_data.h"

namespace cartonic {

// The outline's width in pixels.
inline constexpr float kOutlineLineWidth = 3.0f;
// Pulls the shadow in front of the coplanar floor.
inline constexpr float kShadowPolygonOffsetFactor = -2.0f;
inline constexpr float kShadowPolygonOffsetUnits = -1.0f;

// Sets up a freshly made context for drawFrame: applies the light, and sets depth, line width,
// base material, unpack alignment, texture environment (decal, texturing on) and polygon offset.
// Run once per context, with it current.
void initGLState(const ProjectData& data);

// The part of initGLState that follows the record's settings (light, lighting, clear colour, and
// the texture environment pictures change): for a context that goes on to draw another record.
void applyRecordGLState(const ProjectData& data);

} // namespace cartonic
