#include "camera/mouse_modes.h"

#include <cmath>

namespace cartonic {
namespace {

float perView(int pixels, int viewSize) {
    return static_cast<float>(pixels) / static_cast<float>(viewSize) * kDragTurnPerView;
}

float limitBoxUnit(float unit) {
    // Only the two ends are limited: a unit between 0 and the minimum stays as it is.
    if (unit <= 0.0f) {
        return kMinBoxUnit;
    }
    if (unit > kMaxBoxUnit) {
        return kMaxBoxUnit;
    }
    return unit;
}

} // namespace

void MouseModes::applyBoxUnits(ProjectData& data) const {
    data.setDimensions(kBoxUnitScale * boxUnitWidth, kBoxUnitScale * boxUnitDepth,
                       kBoxUnitScale * boxUnitHeight);
}

void MouseModes::resize(int width, int height, Camera& camera) {
    clientWidth = width;
    clientHeight = height;
    camera.setViewSize(width, height);
}

void MouseModes::leftButtonPressed(int x, int y) {
    leftButtonDown = 1;
    lastMouseX = x;
    lastMouseY = y;
}

void MouseModes::rightButtonPressed(int x, int y) {
    rightButtonDown = 1;
    lastMouseX = x;
    lastMouseY = y;
}

void MouseModes::leftButtonReleased() {
    leftButtonDown = 0;
}

void MouseModes::rightButtonReleased() {
    rightButtonDown = 0;
}

DragEffect MouseModes::mouseMoved(int x, int y, Camera& camera, ProjectData& data) {
    if (leftButtonDown == 0 && rightButtonDown == 0) {
        return {};
    }
    // A view with no area gives no scale for a drag; dividing by it would leave NaNs in the
    // camera or the box for good.
    if (clientWidth <= 0 || clientHeight <= 0) {
        return {};
    }
    // Positive when the pointer moves left or up.
    const int dx = lastMouseX - x;
    const int dy = lastMouseY - y;
    if (rightButtonDown != 0 && leftButtonDown == 0) {
        // The zoom measures from the press point, so the stored position stays.
        return zoom(dx, dy, camera);
    }
    switch (mouseMode) {
    case MouseMode::RotateCamera:
        lastMouseX = x;
        lastMouseY = y;
        return turnCamera(dx, dy, camera);
    case MouseMode::AdjustWidth:
    case MouseMode::AdjustDepth:
    case MouseMode::AdjustHeight:
        lastMouseX = x;
        lastMouseY = y;
        return stretchBox(dx, dy, data);
    case MouseMode::RotateLight:
        lastMouseX = x;
        lastMouseY = y;
        return moveLight(dx, dy, data);
    }
    return {};
}

DragEffect MouseModes::turnCamera(int dx, int dy, Camera& camera) const {
    const float h = perView(dx, clientWidth);
    const float v = perView(dy, clientHeight);
    DragEffect effect;
    if (h != 0.0f) {
        camera.yaw(h);
        effect.needsRedraw = true;
    }
    if (v != 0.0f) {
        camera.pitch(v);
        effect.needsRedraw = true;
    }
    return effect;
}

DragEffect MouseModes::stretchBox(int dx, int dy, ProjectData& data) {
    // The record's sizes are the truth: a project opened since the last drag must not snap back
    // to the sizes dragged before it. The two sides not being dragged are passed on untouched,
    // not through units and back, so they keep every bit.
    boxUnitWidth = data.boxWidth / kBoxUnitScale;
    boxUnitDepth = data.boxDepth / kBoxUnitScale;
    boxUnitHeight = data.boxHeight / kBoxUnitScale;
    float width = data.boxWidth;
    float depth = data.boxDepth;
    float height = data.boxHeight;
    switch (mouseMode) {
    case MouseMode::AdjustWidth:
        boxUnitWidth = limitBoxUnit(boxUnitWidth + perView(dx, clientWidth));
        width = kBoxUnitScale * boxUnitWidth;
        break;
    case MouseMode::AdjustDepth:
        boxUnitDepth = limitBoxUnit(boxUnitDepth + perView(dy, clientHeight));
        depth = kBoxUnitScale * boxUnitDepth;
        break;
    case MouseMode::AdjustHeight:
        boxUnitHeight = limitBoxUnit(boxUnitHeight + perView(dy, clientHeight));
        height = kBoxUnitScale * boxUnitHeight;
        break;
    default:
        break;
    }
    data.setDimensions(width, depth, height);
    return {.needsRedraw = true};
}

DragEffect MouseModes::moveLight(int dx, int dy, ProjectData& data) {
    data.lightAngle += static_cast<float>(dx) * kLightAnglePerPixel;
    data.lightHeight += static_cast<float>(dy) * kLightHeightPerPixel;
    data.updateLightPosition();
    return {.needsRedraw = true, .lightChanged = true};
}

DragEffect MouseModes::zoom(int dx, int dy, Camera& camera) const {
    const float s = static_cast<float>(dx) / static_cast<float>(clientWidth);
    const float u = static_cast<float>(dy) / static_cast<float>(clientHeight);
    // Measured from the world origin, not from the target.
    const Vec3& e = camera.eye;
    const float g = std::sqrt(e[0] * e[0] + e[1] * e[1] + e[2] * e[2]);
    if ((g >= kZoomFarthest && u < 0.0f) || (g <= kZoomNearest && u > 0.0f)) {
        return {};
    }
    float a = std::sqrt(u * u + s * s) * kZoomPerView;
    if (!(u > 0.0f)) {
        a = -a;
    }
    camera.dolly(a);
    return {.needsRedraw = true};
}

} // namespace cartonic
