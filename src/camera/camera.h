#pragma once

// The orbit camera of the view: it looks from eye at target, world up is +Z, and its orientation
// is a unit quaternion turning the camera's own frame (looking along -Z, +Y up on the screen)
// into world directions. It is not part of the project: nothing saves, loads or resets it.

#include "camera/quaternion.h"

#include <array>
#include <cstdint>

namespace cartonic {

inline constexpr float kHalfPi = 1.5707964f;
inline constexpr float kDefaultAspect = 1.0f;
inline constexpr float kDefaultNearPlane = 1.0f;
inline constexpr float kDefaultFarPlane = 100.0f;
inline constexpr float kDefaultFov = 45.0f; // degrees
inline constexpr Vec3 kStartUpVector = {0.0f, 0.0f, 1.0f};
inline constexpr Vec3 kStartEyeOffset = {9.0f, -9.0f, 9.0f};
inline constexpr Vec3 kStartTarget = {0.0f, 0.0f, 5.0f};

class Camera {
public:
    Vec3 upVector = {0.0f, 0.0f, 0.0f}; // world up axis, set by setUpStart
    Quaternion rotation;                // camera-to-world, kept normalised
    Vec3 eye = {0.0f, 0.0f, 0.0f};
    Vec3 target = {0.0f, 0.0f, 0.0f};
    float aspect = kDefaultAspect; // view width / height
    float nearPlane = kDefaultNearPlane;
    float farPlane = kDefaultFarPlane;
    float fov = kDefaultFov; // degrees; tan of the whole angle is the near window's height
    std::int32_t perspective = 1;

    // A camera as the view has it after creation: looking from (9, -9, 9) at (0, 0, 5).
    static Camera startUp();

    // The view's creation-time set-up: up axis +Z, eye moved to (9, -9, 9), look at (0, 0, 5).
    void setUpStart();

    // Adds (a, b, c) world units to both eye and target.
    void moveBy(float a, float b, float c);

    // Sets target to (px, py, pz) and turns the camera to face it from where the eye is; the
    // up axis is taken as +Z whatever upVector holds.
    void lookAt(float px, float py, float pz);

    // Orbits the eye about the vertical line through target; radians, positive counter-clockwise
    // seen from above. Keeps the eye's distance from target.
    void yaw(float angle);

    // Orbits the eye over the camera's horizontal axis; radians, positive raises the eye. No
    // limit: past the top the picture turns upside down.
    void pitch(float angle);

    // Moves eye towards target by amount world units (away when negative); nothing when the eye
    // is on the target. Target and rotation stay.
    void dolly(float amount);

    // Stores aspect = width / height of the view in pixels, or 1 when height is 0.
    void setViewSize(int width, int height);

    // Lens, inverse rotation and eye translation as one column-major matrix: what
    // applyProjection leaves in GL_PROJECTION. Needs no GL context.
    std::array<float, 16> projectionMatrix() const;

    // Loads projectionMatrix()'s product into GL_PROJECTION through glFrustum, glRotatef and
    // glTranslatef, then selects GL_MODELVIEW without touching it. Needs a current GL context.
    void applyProjection() const;

private:
    struct Lens {
        float halfWidth;  // r / 2 at the near plane
        float halfHeight; // t / 2 at the near plane
        AxisAngle turn;   // of rotation
    };
    Lens lens() const;
};

} // namespace cartonic
