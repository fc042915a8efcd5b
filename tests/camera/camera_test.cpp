#include "camera/camera.h"
#include "camera/face_picking.h"
#include "model/box_geometry.h"
#include "support/vec3_checks.h"

#include <gtest/gtest.h>

#include <cmath>
#include <memory>

namespace cartonic {
namespace {

using test::expectNear;
using test::length;

Vec3 minus(const Vec3& a, const Vec3& b) {
    return {a[0] - b[0], a[1] - b[1], a[2] - b[2]};
}

Vec3 viewDirection(const Camera& camera) {
    return Quaternion::rotate(camera.rotation, {0.0f, 0.0f, -1.0f});
}

TEST(Camera, ConstructionAndStartUp) {
    const Camera fresh;
    EXPECT_EQ(fresh.rotation, Quaternion{});
    EXPECT_EQ(fresh.eye, (Vec3{0.0f, 0.0f, 0.0f}));
    EXPECT_EQ(fresh.aspect, 1.0f);
    EXPECT_EQ(fresh.nearPlane, 1.0f);
    EXPECT_EQ(fresh.farPlane, 100.0f);
    EXPECT_EQ(fresh.fov, 45.0f);
    EXPECT_EQ(fresh.perspective, 1);

    const Camera camera = Camera::startUp();
    EXPECT_EQ(camera.upVector, (Vec3{0.0f, 0.0f, 1.0f}));
    EXPECT_EQ(camera.eye, (Vec3{9.0f, -9.0f, 9.0f}));
    EXPECT_EQ(camera.target, (Vec3{0.0f, 0.0f, 5.0f}));
    EXPECT_NEAR(camera.rotation.x, 0.5466f, 1e-4f);
    EXPECT_NEAR(camera.rotation.y, 0.2264f, 1e-4f);
    EXPECT_NEAR(camera.rotation.z, 0.3085f, 1e-4f);
    EXPECT_NEAR(camera.rotation.w, 0.7448f, 1e-4f);
    EXPECT_NEAR(Quaternion::toAxisAngle(camera.rotation).angle * kRadiansToDegrees, 83.72f, 0.01f);

    const Vec3 direction = viewDirection(camera);
    expectNear(direction, {-0.6746f, 0.6746f, -0.2998f}, 1e-4f);
    // It points from the eye at the target, and the screen's up has a positive z.
    const Vec3 toTarget = minus(camera.target, camera.eye);
    const float distance = length(toTarget);
    expectNear(direction, {toTarget[0] / distance, toTarget[1] / distance, toTarget[2] / distance},
               1e-5f);
    EXPECT_GT(Quaternion::rotate(camera.rotation, {0.0f, 1.0f, 0.0f})[2], 0.0f);

    Camera again;
    again.setUpStart();
    EXPECT_EQ(again.rotation, camera.rotation);
}

TEST(Camera, MoveByShiftsEyeAndTargetTogether) {
    Camera camera = Camera::startUp();
    const Quaternion before = camera.rotation;
    camera.moveBy(1.0f, 2.0f, -3.0f);
    EXPECT_EQ(camera.eye, (Vec3{10.0f, -7.0f, 6.0f}));
    EXPECT_EQ(camera.target, (Vec3{1.0f, 2.0f, 2.0f}));
    EXPECT_EQ(camera.rotation, before);
}

TEST(Camera, YawAndPitchOrbitTheTargetAtTheSameDistance) {
    Camera camera = Camera::startUp();
    const float distance = length(minus(camera.eye, camera.target));

    camera.yaw(0.7f);
    EXPECT_NEAR(length(minus(camera.eye, camera.target)), distance, 1e-4f);
    EXPECT_NEAR(camera.eye[2], 9.0f, 1e-4f) << "a yaw keeps the eye's height";
    // Counter-clockwise seen from above: the heading of the eye about the target grows by 0.7.
    const float heading = std::atan2(camera.eye[1], camera.eye[0]);
    EXPECT_NEAR(heading, std::atan2(-9.0f, 9.0f) + 0.7f, 1e-4f);
    // It still looks at the target.
    const Vec3 toTarget = minus(camera.target, camera.eye);
    expectNear(viewDirection(camera),
               {toTarget[0] / distance, toTarget[1] / distance, toTarget[2] / distance}, 1e-4f);

    const float heightBefore = camera.eye[2];
    camera.pitch(0.3f);
    EXPECT_NEAR(length(minus(camera.eye, camera.target)), distance, 1e-4f);
    EXPECT_GT(camera.eye[2], heightBefore) << "a positive pitch raises the eye";
    const Vec3 toTarget2 = minus(camera.target, camera.eye);
    expectNear(viewDirection(camera),
               {toTarget2[0] / distance, toTarget2[1] / distance, toTarget2[2] / distance}, 1e-4f);

    // No limit: pitching far past the top keeps the distance and leaves the picture upside down.
    camera.pitch(2.5f);
    EXPECT_NEAR(length(minus(camera.eye, camera.target)), distance, 1e-4f);
    EXPECT_LT(Quaternion::rotate(camera.rotation, {0.0f, 1.0f, 0.0f})[2], 0.0f);
}

TEST(Camera, DollyMovesAlongTheViewAndNeverThroughNothing) {
    Camera camera = Camera::startUp();
    const Vec3 direction = viewDirection(camera);
    const Vec3 eye = camera.eye;
    camera.dolly(2.0f);
    expectNear(minus(camera.eye, eye),
               {2.0f * direction[0], 2.0f * direction[1], 2.0f * direction[2]}, 1e-5f);
    EXPECT_EQ(camera.target, (Vec3{0.0f, 0.0f, 5.0f}));
    camera.dolly(-5.0f);
    expectNear(minus(camera.eye, eye),
               {-3.0f * direction[0], -3.0f * direction[1], -3.0f * direction[2]}, 1e-5f);
    expectNear(viewDirection(camera), direction, 0.0f);

    // With the eye on the target there is no direction: nothing moves and nothing turns NaN.
    Camera onTarget;
    onTarget.eye = {1.0f, 2.0f, 3.0f};
    onTarget.target = onTarget.eye;
    onTarget.dolly(4.0f);
    EXPECT_EQ(onTarget.eye, (Vec3{1.0f, 2.0f, 3.0f}));
}

TEST(Camera, AspectFromTheViewSize) {
    Camera camera;
    camera.setViewSize(800, 600);
    EXPECT_EQ(camera.aspect, 800.0f / 600.0f);
    camera.setViewSize(640, 0);
    EXPECT_EQ(camera.aspect, 1.0f);
    camera.setViewSize(0, 480);
    EXPECT_EQ(camera.aspect, 0.0f);
}

// Column-major element (row, col).
float at(const std::array<float, 16>& m, int row, int col) {
    return m[col * 4 + row];
}

TEST(Camera, ProjectionIsTheFullAngleFrustumThenTheView) {
    // Identity rotation: just the frustum followed by the translation.
    Camera camera;
    camera.eye = {1.0f, 2.0f, 3.0f};
    camera.aspect = 2.0f;
    const float t = std::tan(45.0f * kDegreesToRadians);
    auto m = camera.projectionMatrix();
    EXPECT_NEAR(at(m, 0, 0), 2.0f / (2.0f * t), 1e-6f);
    EXPECT_NEAR(at(m, 1, 1), 2.0f / t, 1e-6f) << "near window 1 high at fov 45";
    EXPECT_NEAR(at(m, 1, 1), 2.0f, 1e-6f);
    EXPECT_NEAR(at(m, 2, 2), -101.0f / 99.0f, 1e-6f);
    EXPECT_NEAR(at(m, 2, 3), -101.0f / 99.0f * -3.0f - 200.0f / 99.0f, 1e-5f);
    EXPECT_EQ(at(m, 3, 2), -1.0f);
    EXPECT_NEAR(at(m, 0, 3), 1.0f * -1.0f, 1e-6f);
    EXPECT_NEAR(at(m, 1, 3), 2.0f * -2.0f, 1e-6f);
    EXPECT_EQ(at(m, 0, 1), 0.0f);
    EXPECT_EQ(at(m, 0, 2), 0.0f);

    // The widest field of the panel: t = tan(75°) = 3.732, a vertical angle of 123.63°.
    camera.fov = 75.0f;
    m = camera.projectionMatrix();
    const float t75 = 2.0f / at(m, 1, 1);
    EXPECT_NEAR(t75, 3.732f, 1e-3f);
    EXPECT_NEAR(2.0f * std::atan(t75 / 2.0f) * kRadiansToDegrees, 123.63f, 0.01f);

    // The start camera puts its target in the middle of the picture.
    Camera start = Camera::startUp();
    m = start.projectionMatrix();
    const Vec3 p = start.target;
    float clip[4];
    for (int row = 0; row < 4; ++row) {
        clip[row] =
            at(m, row, 0) * p[0] + at(m, row, 1) * p[1] + at(m, row, 2) * p[2] + at(m, row, 3);
    }
    EXPECT_NEAR(clip[0] / clip[3], 0.0f, 1e-5f);
    EXPECT_NEAR(clip[1] / clip[3], 0.0f, 1e-5f);
    EXPECT_NEAR(clip[3], length(minus(start.target, start.eye)), 1e-4f);
}

TEST(FacePicking, ThePixelOfAFacesMiddleNamesThatFace) {
    auto data = std::make_unique<ProjectData>();
    data->setDimensions(2.0f, 1.5f, 3.0f);
    constexpr int kWidth = 400;
    constexpr int kHeight = 300;
    Camera front = Camera::startUp();
    front.setViewSize(kWidth, kHeight);
    Camera back = front;
    back.yaw(3.14159265f);
    Camera below = front;
    below.pitch(-1.2f); // under the floor, looking up

    std::array<bool, kFaceCount> seen{};
    for (const Camera* camera : {&front, &back, &below}) {
        const std::array<float, 16> m = camera->projectionMatrix();
        for (int k = 0; k < kFaceCount; ++k) {
            const FaceGeometry& face = kUnitBox[static_cast<std::size_t>(k)];
            std::array<float, 3> centre{};
            for (const FaceVertex& v : face.corners) {
                centre[0] += v.x * data->boxWidth / 4;
                centre[1] += v.y * data->boxDepth / 4;
                centre[2] += v.z * data->boxHeight / 4;
            }
            float towardsEye = 0;
            for (int a = 0; a < 3; ++a) {
                towardsEye += face.normal[a] * (camera->eye[a] - centre[a]);
            }
            if (towardsEye <= 0) {
                continue; // turned away from this camera
            }
            std::array<float, 4> clip{};
            for (int row = 0; row < 4; ++row) {
                clip[row] = m[row] * centre[0] + m[4 + row] * centre[1] + m[8 + row] * centre[2] +
                            m[12 + row];
            }
            const double x = (clip[0] / clip[3] + 1) / 2 * kWidth;
            const double y = (1 - clip[1] / clip[3]) / 2 * kHeight;
            EXPECT_EQ(faceAtPixel(*camera, *data, x, y, kWidth, kHeight), k) << k;
            seen[static_cast<std::size_t>(k)] = true;
        }
    }
    EXPECT_EQ(seen, (std::array<bool, kFaceCount>{true, true, true, true, true, true}));
    EXPECT_EQ(faceAtPixel(front, *data, 2, 2, kWidth, kHeight), -1) << "sky";
    EXPECT_EQ(faceAtPixel(front, *data, 2, 2, 0, 0), -1);
}

} // namespace
} // namespace cartonic
