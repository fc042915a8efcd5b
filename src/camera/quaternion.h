#pragma once

// Rotations of the orbit camera as unit quaternions, all in single precision: the picture the
// view draws depends on the exact rounding of these few steps, so none of them widens to double.

#include <array>

namespace cartonic {

using Vec3 = std::array<float, 3>;

inline constexpr float kDegreesToRadians = 0.01745329238f;
inline constexpr float kRadiansToDegrees = 57.2957763671875f;
// Below this length of (x, y, z) a quaternion counts as no turn at all.
inline constexpr float kAxisEpsilon = 0.00001f;

struct AxisAngle {
    Vec3 axis;
    float angle; // radians
};

struct Quaternion {
    float x = 0.0f;
    float y = 0.0f;
    float z = 0.0f;
    float w = 1.0f;

    // Turn by angle (radians) about axis, which need not be of unit length. A zero axis gives
    // the identity rather than a quaternion of NaNs.
    static Quaternion fromAxisAngle(const Vec3& axis, float angle);

    // The Hamilton product p·q, normalised: rotating by the result applies q first, then p.
    static Quaternion multiply(const Quaternion& p, const Quaternion& q);

    // The conjugate divided by the squared norm; q must not be all zero.
    static Quaternion inverse(const Quaternion& q);

    // v turned by the rotation matrix of q, which must be of unit length.
    static Vec3 rotate(const Quaternion& q, const Vec3& v);

    // Unit axis and angle (radians, 0..2π) of q; the identity gives 0 about (0, 0, 1).
    static AxisAngle toAxisAngle(const Quaternion& q);

    friend bool operator==(const Quaternion&, const Quaternion&) = default;
};

} // namespace cartonic
