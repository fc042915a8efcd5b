#include "render/scene_renderer.h"

#include <gtest/gtest.h>

#include <array>

namespace cartonic {
namespace {

using Vec4 = std::array<float, 4>;

Vec4 transform(const Matrix4& m, const Vec4& v) {
    Vec4 out{};
    for (int row = 0; row < 4; ++row) {
        for (int column = 0; column < 4; ++column) {
            out[row] += m[4 * column + row] * v[column];
        }
    }
    return out;
}

TEST(ShadowMatrix, IsDotTimesIdentityMinusLightTimesPlaneStoredByColumn) {
    const Plane plane = {0.5f, -1.0f, 2.0f, 3.0f};
    const Vec4 light = {4.0f, 5.0f, -6.0f, 1.0f};
    const float d = 0.5f * 4.0f - 1.0f * 5.0f + 2.0f * -6.0f + 3.0f * 1.0f;
    const Matrix4 m = computeShadowMatrix(plane, light);
    for (int row = 0; row < 4; ++row) {
        for (int column = 0; column < 4; ++column) {
            const float expected = (row == column ? d : 0.0f) - light[row] * plane[column];
            EXPECT_FLOAT_EQ(m[4 * column + row], expected) << "row " << row << " column " << column;
        }
    }

    float raw[16];
    computeShadowMatrix(raw, plane.data(), light.data());
    for (int k = 0; k < 16; ++k) {
        EXPECT_EQ(raw[k], m[k]) << "the array and the pointer forms give the same matrix";
    }
}

TEST(ShadowMatrix, FlattensPointsOntoTheFloorAlongRaysFromTheLight) {
    const Vec4 light = {1.3250064f, -11.926624f, 10.0f, 1.0f};
    const Matrix4 m = computeShadowMatrix(kFloorPlane, light);

    for (const Vec4& p : {Vec4{2.5f, -1.25f, 4.0f, 1.0f}, Vec4{-2.5f, 1.25f, 9.0f, 1.0f},
                          Vec4{0.0f, 0.0f, 5.0f, 1.0f}}) {
        const Vec4 h = transform(m, p);
        ASSERT_GT(h[3], 0.0f) << "a point below the light stays in front of it";
        const float x = h[0] / h[3], y = h[1] / h[3], z = h[2] / h[3];
        EXPECT_NEAR(z, 0.0f, 1e-5f);
        // The shadow, the point and the light lie on one line: shadow = light + k (p - light).
        const float k = light[2] / (light[2] - p[2]);
        EXPECT_NEAR(x, light[0] + k * (p[0] - light[0]), 1e-4f);
        EXPECT_NEAR(y, light[1] + k * (p[1] - light[1]), 1e-4f);
    }

    // Points already on the floor are their own shadow.
    const Vec4 h = transform(m, {3.0f, -7.0f, 0.0f, 1.0f});
    EXPECT_NEAR(h[0] / h[3], 3.0f, 1e-5f);
    EXPECT_NEAR(h[1] / h[3], -7.0f, 1e-5f);
}

} // namespace
} // namespace cartonic
