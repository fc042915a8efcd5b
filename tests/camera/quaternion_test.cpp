#include "camera/quaternion.h"
#include "support/vec3_checks.h"

#include <gtest/gtest.h>

#include <cmath>

namespace cartonic {
namespace {

using test::expectNear;

TEST(Quaternion, AxisAngleRoundTripsAndIdentityIsNoTurn) {
    const Quaternion q = Quaternion::fromAxisAngle({0.0f, 3.0f, 4.0f}, 1.2f);
    EXPECT_NEAR(q.x, 0.0f, 1e-7f);
    EXPECT_NEAR(q.y, 0.6f * std::sin(0.6f), 1e-6f) << "the axis is normalised first";
    EXPECT_NEAR(q.z, 0.8f * std::sin(0.6f), 1e-6f);
    EXPECT_NEAR(q.w, std::cos(0.6f), 1e-6f);
    const AxisAngle back = Quaternion::toAxisAngle(q);
    expectNear(back.axis, {0.0f, 0.6f, 0.8f}, 1e-6f);
    EXPECT_NEAR(back.angle, 1.2f, 1e-5f);

    const AxisAngle none = Quaternion::toAxisAngle(Quaternion{});
    EXPECT_EQ(none.axis, (Vec3{0.0f, 0.0f, 1.0f}));
    EXPECT_EQ(none.angle, 0.0f);
    // Below the threshold the tiny axis is not trusted either.
    EXPECT_EQ(Quaternion::toAxisAngle({0.000005f, 0.0f, 0.0f, 1.0f}).angle, 0.0f);

    // A w rounded just past 1 must not turn into NaN.
    EXPECT_FALSE(std::isnan(Quaternion::toAxisAngle({0.001f, 0.0f, 0.0f, 1.0000001f}).angle));
    // A zero axis is no turn rather than NaN.
    EXPECT_EQ(Quaternion::fromAxisAngle({0.0f, 0.0f, 0.0f}, 1.0f), Quaternion{});
}

TEST(Quaternion, ProductAppliesTheRightFactorFirstAndStaysUnit) {
    const Quaternion aboutZ = Quaternion::fromAxisAngle({0.0f, 0.0f, 1.0f}, 1.5707964f);
    const Quaternion aboutX = Quaternion::fromAxisAngle({1.0f, 0.0f, 0.0f}, 1.5707964f);
    // Turn x about Z first (to y), then about X (y goes to z).
    expectNear(Quaternion::rotate(Quaternion::multiply(aboutX, aboutZ), {1.0f, 0.0f, 0.0f}),
               {0.0f, 0.0f, 1.0f}, 1e-6f);
    expectNear(Quaternion::rotate(Quaternion::multiply(aboutZ, aboutX), {1.0f, 0.0f, 0.0f}),
               {0.0f, 1.0f, 0.0f}, 1e-6f);

    // The product is normalised even when its factors are not.
    const Quaternion p = Quaternion::multiply({0.0f, 0.0f, 0.0f, 2.0f}, {1.0f, 1.0f, 1.0f, 1.0f});
    EXPECT_NEAR(p.x * p.x + p.y * p.y + p.z * p.z + p.w * p.w, 1.0f, 1e-6f);
    EXPECT_NEAR(p.x, 0.5f, 1e-7f);
}

TEST(Quaternion, InverseUndoesARotation) {
    const Quaternion q = Quaternion::fromAxisAngle({1.0f, -2.0f, 0.5f}, 2.3f);
    const Vec3 v = {0.3f, -4.0f, 7.0f};
    expectNear(Quaternion::rotate(Quaternion::inverse(q), Quaternion::rotate(q, v)), v, 1e-5f);
    // The inverse divides by the squared norm, so a scaled quaternion inverts to a scaled one.
    const Quaternion i = Quaternion::inverse({0.0f, 0.0f, 2.0f, 0.0f});
    EXPECT_EQ(i, (Quaternion{-0.0f, -0.0f, -0.5f, 0.0f}));
}

} // namespace
} // namespace cartonic
