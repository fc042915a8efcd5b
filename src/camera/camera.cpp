#include "camera/camera.h"

#include <GL/gl.h>

#include <cmath>

namespace cartonic {
namespace {

using Matrix = std::array<float, 16>; // column-major, as OpenGL stores it

Matrix multiply(const Matrix& a, const Matrix& b) {
    Matrix m{};
    for (int col = 0; col < 4; ++col) {
        for (int row = 0; row < 4; ++row) {
            float sum = 0.0f;
            for (int k = 0; k < 4; ++k) {
                sum += a[k * 4 + row] * b[col * 4 + k];
            }
            m[col * 4 + row] = sum;
        }
    }
    return m;
}

Matrix frustumMatrix(float left, float right, float bottom, float top, float nearZ, float farZ) {
    Matrix m{};
    m[0] = 2.0f * nearZ / (right - left);
    m[5] = 2.0f * nearZ / (top - bottom);
    m[8] = (right + left) / (right - left);
    m[9] = (top + bottom) / (top - bottom);
    m[10] = -(farZ + nearZ) / (farZ - nearZ);
    m[11] = -1.0f;
    m[14] = -2.0f * farZ * nearZ / (farZ - nearZ);
    return m;
}

// The matrix glRotatef builds: angle in degrees about an axis it normalises itself.
Matrix rotationMatrix(float degrees, Vec3 axis) {
    Matrix m{};
    m[15] = 1.0f;
    const float length = std::sqrt(axis[0] * axis[0] + axis[1] * axis[1] + axis[2] * axis[2]);
    if (length == 0.0f) {
        m[0] = m[5] = m[10] = 1.0f;
        return m;
    }
    const float x = axis[0] / length, y = axis[1] / length, z = axis[2] / length;
    const float radians = degrees * kDegreesToRadians;
    const float c = std::cos(radians), s = std::sin(radians), t = 1.0f - c;
    m[0] = x * x * t + c;
    m[1] = y * x * t + z * s;
    m[2] = x * z * t - y * s;
    m[4] = x * y * t - z * s;
    m[5] = y * y * t + c;
    m[6] = y * z * t + x * s;
    m[8] = x * z * t + y * s;
    m[9] = y * z * t - x * s;
    m[10] = z * z * t + c;
    return m;
}

Matrix translationMatrix(float x, float y, float z) {
    Matrix m{};
    m[0] = m[5] = m[10] = m[15] = 1.0f;
    m[12] = x;
    m[13] = y;
    m[14] = z;
    return m;
}

float distance(const Vec3& a, const Vec3& b) {
    const float dx = a[0] - b[0], dy = a[1] - b[1], dz = a[2] - b[2];
    return std::sqrt(dx * dx + dy * dy + dz * dz);
}

} // namespace

Camera Camera::startUp() {
    Camera camera;
    camera.setUpStart();
    return camera;
}

void Camera::setUpStart() {
    upVector = kStartUpVector;
    moveBy(kStartEyeOffset[0], kStartEyeOffset[1], kStartEyeOffset[2]);
    lookAt(kStartTarget[0], kStartTarget[1], kStartTarget[2]);
}

void Camera::moveBy(float a, float b, float c) {
    eye = {eye[0] + a, eye[1] + b, eye[2] + c};
    target = {target[0] + a, target[1] + b, target[2] + c};
}

void Camera::lookAt(float px, float py, float pz) {
    target = {px, py, pz};
    const Vec3 d = {eye[0] - target[0], eye[1] - target[1], eye[2] - target[2]};
    // L turns the camera's frame into one looking along world +Y with +Z up; M is the heading,
    // O the elevation.
    const Quaternion l = Quaternion::fromAxisAngle({1.0f, 0.0f, 0.0f}, kHalfPi);
    const Quaternion m =
        Quaternion::fromAxisAngle({0.0f, 1.0f, 0.0f}, std::atan2(d[1], d[0]) + kHalfPi);
    const Quaternion o = Quaternion::fromAxisAngle(
        {-1.0f, 0.0f, 0.0f}, std::atan2(d[2], std::sqrt(d[0] * d[0] + d[1] * d[1])));
    rotation = Quaternion::multiply(l, Quaternion::multiply(m, o));
}

void Camera::yaw(float angle) {
    const Vec3 up = Quaternion::rotate(Quaternion::inverse(rotation), upVector);
    rotation = Quaternion::multiply(rotation, Quaternion::fromAxisAngle(up, angle));
    const float dist = distance(eye, target);
    const Vec3 back = Quaternion::rotate(rotation, {0.0f, 0.0f, dist});
    eye = {target[0] + back[0], target[1] + back[1], target[2] + back[2]};
}

void Camera::pitch(float angle) {
    rotation =
        Quaternion::multiply(rotation, Quaternion::fromAxisAngle({-1.0f, 0.0f, 0.0f}, angle));
    const float dist = distance(eye, target);
    const Vec3 back = Quaternion::rotate(rotation, {0.0f, 0.0f, dist});
    eye = {target[0] + back[0], target[1] + back[1], target[2] + back[2]};
}

void Camera::dolly(float amount) {
    const Vec3 v = {target[0] - eye[0], target[1] - eye[1], target[2] - eye[2]};
    const float len = std::sqrt(v[0] * v[0] + v[1] * v[1] + v[2] * v[2]);
    if (len == 0.0f) {
        return;
    }
    const float k = amount / len;
    eye = {eye[0] + v[0] * k, eye[1] + v[1] * k, eye[2] + v[2] * k};
}

void Camera::setViewSize(int width, int height) {
    aspect = height == 0 ? kDefaultAspect : static_cast<float>(width) / static_cast<float>(height);
}

Camera::Lens Camera::lens() const {
    // The tangent of the whole angle, not of half of it: t is the full height of the near window.
    const float t = std::tan(fov * kDegreesToRadians) * nearPlane;
    const float r = t * aspect;
    return {r / 2.0f, t / 2.0f, Quaternion::toAxisAngle(rotation)};
}

std::array<float, 16> Camera::projectionMatrix() const {
    const Lens l = lens();
    const Matrix f =
        frustumMatrix(-l.halfWidth, l.halfWidth, -l.halfHeight, l.halfHeight, nearPlane, farPlane);
    const Matrix r = rotationMatrix(-l.turn.angle * kRadiansToDegrees, l.turn.axis);
    return multiply(multiply(f, r), translationMatrix(-eye[0], -eye[1], -eye[2]));
}

void Camera::applyProjection() const {
    const Lens l = lens();
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glFrustum(-l.halfWidth, l.halfWidth, -l.halfHeight, l.halfHeight, nearPlane, farPlane);
    glRotatef(-l.turn.angle * kRadiansToDegrees, l.turn.axis[0], l.turn.axis[1], l.turn.axis[2]);
    glTranslatef(-eye[0], -eye[1], -eye[2]);
    glMatrixMode(GL_MODELVIEW);
}

} // namespace cartonic
