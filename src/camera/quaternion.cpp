#include "camera/quaternion.h"

#include <algorithm>
#include <cmath>

namespace cartonic {

Quaternion Quaternion::fromAxisAngle(const Vec3& axis, float angle) {
    const float length = std::sqrt(axis[0] * axis[0] + axis[1] * axis[1] + axis[2] * axis[2]);
    if (length == 0.0f) {
        return {};
    }
    const float nx = axis[0] / length;
    const float ny = axis[1] / length;
    const float nz = axis[2] / length;
    const float half = angle / 2.0f;
    const float s = std::sin(half);
    return {nx * s, ny * s, nz * s, std::cos(half)};
}

Quaternion Quaternion::multiply(const Quaternion& p, const Quaternion& q) {
    const float x = p.w * q.x + p.x * q.w + p.y * q.z - p.z * q.y;
    const float y = p.w * q.y - p.x * q.z + p.y * q.w + p.z * q.x;
    const float z = p.w * q.z + p.x * q.y - p.y * q.x + p.z * q.w;
    const float w = p.w * q.w - p.x * q.x - p.y * q.y - p.z * q.z;
    const float length = std::sqrt(x * x + y * y + z * z + w * w);
    return {x / length, y / length, z / length, w / length};
}

Quaternion Quaternion::inverse(const Quaternion& q) {
    const float norm = q.x * q.x + q.y * q.y + q.z * q.z + q.w * q.w;
    return {-q.x / norm, -q.y / norm, -q.z / norm, q.w / norm};
}

Vec3 Quaternion::rotate(const Quaternion& q, const Vec3& v) {
    const float x = q.x, y = q.y, z = q.z, w = q.w;
    const float m00 = 1.0f - 2.0f * (y * y + z * z);
    const float m01 = 2.0f * (x * y - w * z);
    const float m02 = 2.0f * (x * z + w * y);
    const float m10 = 2.0f * (x * y + w * z);
    const float m11 = 1.0f - 2.0f * (x * x + z * z);
    const float m12 = 2.0f * (y * z - w * x);
    const float m20 = 2.0f * (x * z - w * y);
    const float m21 = 2.0f * (y * z + w * x);
    const float m22 = 1.0f - 2.0f * (x * x + y * y);
    return {m00 * v[0] + m01 * v[1] + m02 * v[2], m10 * v[0] + m11 * v[1] + m12 * v[2],
            m20 * v[0] + m21 * v[1] + m22 * v[2]};
}

AxisAngle Quaternion::toAxisAngle(const Quaternion& q) {
    const float length = std::sqrt(q.x * q.x + q.y * q.y + q.z * q.z);
    if (length > kAxisEpsilon) {
        // Rounding can leave w a hair outside [-1, 1]; acos would then give NaN and blank the view.
        const float w = std::clamp(q.w, -1.0f, 1.0f);
        return {{q.x / length, q.y / length, q.z / length}, 2.0f * std::acos(w)};
    }
    return {{0.0f, 0.0f, 1.0f}, 0.0f};
}

} // namespace cartonic
