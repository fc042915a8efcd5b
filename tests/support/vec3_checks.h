#pragma once

// Small vector helpers for the camera tests.

#include "camera/quaternion.h"

#include <gtest/gtest.h>

#include <cmath>

namespace cartonic::test {

inline float length(const Vec3& v) {
    return std::sqrt(v[0] * v[0] + v[1] * v[1] + v[2] * v[2]);
}

inline void expectNear(const Vec3& actual, const Vec3& expected, float tolerance) {
    for (int i = 0; i < 3; ++i) {
        EXPECT_NEAR(actual[i], expected[i], tolerance) << "component " << i;
    }
}

} // namespace cartonic::test
