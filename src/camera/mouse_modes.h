#pragma once

// What the mouse does in the view, without any windowing: the view forwards button presses,
// releases and moves in client pixels (y down) and its size; these functions work the Camera and
// the project record and say what the view must do next (repaint, reload the light).

#include "camera/camera.h"
#include "model/project_data.h"

#include <cstdint>

namespace cartonic {

// The left-drag mode; the values are those of the main frame's mode commands.
enum class MouseMode : std::int32_t {
    RotateCamera = 1,
    AdjustWidth = 2,
    AdjustDepth = 3,
    AdjustHeight = 4,
    RotateLight = 5
};

inline constexpr float kDragTurnPerView = 3.5f; // radians, or box units, per view width/height
inline constexpr float kLightAnglePerPixel = 0.0125f; // radians
inline constexpr float kLightHeightPerPixel = 0.025f; // world units
inline constexpr float kMinBoxUnit = 0.2f; // a unit dragged to 0 or below comes back here
inline constexpr float kMaxBoxUnit = 10.0f;
inline constexpr float kBoxUnitScale = 5.0f; // record dimension per drag unit
inline constexpr float kStartBoxUnitWidth = 0.5f;
inline constexpr float kStartBoxUnitDepth = 0.25f;
inline constexpr float kStartBoxUnitHeight = 1.0f;
inline constexpr float kZoomPerView = 1.5f;   // world units per view size of pointer offset
inline constexpr float kZoomNearest = 6.5f;   // eye distance from the origin where zoom-in stops
inline constexpr float kZoomFarthest = 30.0f; // and where zoom-out stops

// What a mouse step changed, for the view to act on.
struct DragEffect {
    bool needsRedraw = false;  // the picture changed: set the view's needsRedraw
    bool lightChanged = false; // lightAngle/lightHeight changed: load the light into GL again
};

class MouseModes {
public:
    MouseMode mouseMode = MouseMode::RotateCamera;
    std::int32_t leftButtonDown = 0;
    std::int32_t rightButtonDown = 0;
    std::int32_t lastMouseX = 0; // press position, then that of the last handled move
    std::int32_t lastMouseY = 0;
    std::int32_t clientWidth = 0; // from the last size
    std::int32_t clientHeight = 0;
    // The box size in drag units. Each stretch step takes them from the record first, so a
    // size that New, Open or anything else wrote is where the next drag starts.
    float boxUnitWidth = kStartBoxUnitWidth;
    float boxUnitDepth = kStartBoxUnitDepth;
    float boxUnitHeight = kStartBoxUnitHeight;

    // Calls setDimensions with all three drag units times 5 (at view creation: 2.5, 1.25, 5.0).
    void applyBoxUnits(ProjectData& data) const;

    // Stores the client size in pixels and gives the camera its aspect.
    void resize(int width, int height, Camera& camera);

    // Button presses at client pixel (x, y); each starts that button's drag. The view keeps
    // receiving moves until every button is up (the toolkit's implicit grab).
    void leftButtonPressed(int x, int y);
    void rightButtonPressed(int x, int y);
    // Each ends its own button's drag even while the other is down.
    void leftButtonReleased();
    void rightButtonReleased();
    // The second press of a double-click of either button: it starts no drag. The view must not
    // pass it on as a press.
    void buttonDoubleClicked() {}

    // One pointer move to client pixel (x, y): the left button's mode wins when both are down,
    // the right button alone zooms. A light move also brings lightPosition up to date.
    DragEffect mouseMoved(int x, int y, Camera& camera, ProjectData& data);

private:
    DragEffect turnCamera(int dx, int dy, Camera& camera) const;
    DragEffect stretchBox(int dx, int dy, ProjectData& data);
    static DragEffect moveLight(int dx, int dy, ProjectData& data);
    DragEffect zoom(int dx, int dy, Camera& camera) const;
};

} // namespace cartonic
