#pragma once

// One frame of the scene, drawn from a project record into the current context: background,
// floor, the box mirrored in the floor, the translucent floor over it, the box with its
// selection outline, its planar shadow and the light marker. The effects rest on the stencil
// buffer, so the target needs colour, depth and stencil. The camera's whole transform is in the
// projection matrix; the model-view matrix is the identity when a frame starts and every
// function here leaves it so.

#include "model/project_data.h"
#include "model/scene_look.h"
#include "render/box_drawing.h"
#include "render/scene_textures.h"

#include <array>

namespace cartonic {

using Plane = std::array<float, 4>;    // a, b, c, d of a x + b y + c z + d = 0
using Matrix4 = std::array<float, 16>; // column-major, as OpenGL takes it

inline constexpr Plane kFloorPlane = {0.0f, 0.0f, 1.0f, 0.0f};

// Texture repeats across each side of the floor: the built-in tile many times, a picture once.
inline constexpr float kFloorPatternRepeat = 32.0f;
inline constexpr float kFloorPictureRepeat = 1.0f;

// Both floor passes are drawn unlit in white; the translucent one lets 70 percent of the mirror
// image and background through.
inline constexpr Rgb kFloorColor = {1.0f, 1.0f, 1.0f};
inline constexpr float kTranslucentFloorAlpha = 0.3f;
inline constexpr Rgb kShadowColor = {0.0f, 0.0f, 0.0f};
inline constexpr float kShadowAlpha = 0.5f;

// Stencil values: 0 after the clear; the floor's screen area; covered by the translucent floor
// (where a shadow may land); a shadow fragment already drawn (so each pixel darkens once).
inline constexpr int kStencilCleared = 0;
inline constexpr int kStencilFloorArea = 1;
inline constexpr int kStencilShadowDrawn = 2;
inline constexpr int kStencilShadowTarget = 3;

// The light marker: a red cube of side 1 centred on the light.
inline constexpr float kLightMarkerHalfSide = 0.5f;
inline constexpr Rgb kLightMarkerColor = {1.0f, 0.0f, 0.0f};

// A rectangle of a framebuffer, in its pixels from the bottom left.
struct PixelRect {
    int x = 0;
    int y = 0;
    int width = 0;
    int height = 0;
};

// What a frame shows beyond its record: the editor's handles (outline, light marker) and the
// backdrop of a transparent picture; and where it is drawn.
struct FrameOptions {
    // The face outlined (0..5), in the box and its mirror image; kNoOutline for none. The view
    // outlines the selected face, or the face a dragged picture would land on.
    int outlinedFace = kNoOutline;
    const Rgb* backdrop = nullptr;
    // The light marker, unless the record hides overlays: the view's handle on the light, never
    // in a picture made to keep.
    bool lightMarker = true;
    // Only this part of the bound framebuffer is cleared and drawn, the rest keeps what it holds;
    // the whole when null.
    const PixelRect* region = nullptr;
    // The soft shadow and the fading mirror image; the default draws the record's own scene.
    SceneLook look{};
    // The point of the light's disc this pass's shadow is cast from, in the unit disc: a soft
    // shadow is the mean of passes cast from points spread over it. The centre, the light itself,
    // for a frame drawn once.
    std::array<float, 2> lightDisc{};
};

// The light a frame's shadow is cast from: with look.shadowSoftness S above 0, the point
// lightDisc of a disc facing the box's foot around the light, of radius S times
// kLightDiscShare of the light's distance from the foot.
inline constexpr float kLightDiscShare = 0.12f;
std::array<float, 4> shadowLight(const ProjectData& data, const FrameOptions& options);

// The outline the view shows for data: its selected face while the selection is shown.
inline int selectionOutline(const ProjectData& data) {
    return data.showSelection != 0 ? data.selectedFace : kNoOutline;
}

// Draws the whole frame from data with the objects textures names. Needs a current context whose
// bound framebuffer has colour, depth and stencil, the one-time state of initGLState, and the
// camera's projection loaded. Sets the state its passes rely on itself (blending, stencil, masks),
// so state left behind by a toolkit does not leak in; never binds a framebuffer.
//
// With options.backdrop, the background is that solid colour and the floor is drawn in it,
// untextured: the scene as it shows over that colour when background and floor are see-through.
// Every pixel is then an affine function of the backdrop with the same slope in each channel (one
// minus the pixel's opacity), which is what a transparent picture is worked out from.
void drawFrame(const ProjectData& data, const SceneTextures& textures,
               const FrameOptions& options = {});

// The vertical two-colour gradient behind the scene, when data.gradientBackground is on. Ends
// with depth writes and lighting on, depth testing, texturing, stencil and blending off.
void drawBackground(const ProjectData& data);

// The red cube at data.lightPosition, unlit, when data.hideOverlays is 0.
void drawLightMarker(const ProjectData& data);

// The matrix that flattens points onto plane along lines from light (w = 1 for a point light).
// Pure.
Matrix4 computeShadowMatrix(const Plane& plane, const std::array<float, 4>& light);
void computeShadowMatrix(float out[16], const float plane[4], const float light[4]);

// Six quads of an axis-aligned box (+z, -z, -x, +x, +y, -y), each with its outward normal and
// texture coordinates (1, 1), (0, 1), (0, 0), (1, 0). Needs a current context.
void drawCuboid(float minX, float minY, float minZ, float maxX, float maxY, float maxZ);

} // namespace cartonic
