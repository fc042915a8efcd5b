#include "camera/camera.h"
#include "gl/headless_context.h"
#include "gl/offscreen_target.h"

#include <GL/gl.h>

#include <gtest/gtest.h>

namespace cartonic {
namespace {

std::array<float, 16> glMatrix(GLenum which) {
    std::array<float, 16> m{};
    glGetFloatv(which, m.data());
    return m;
}

TEST(CameraProjection, GlGetsTheSameMatrixAndKeepsTheModelview) {
    const auto context = gl::HeadlessContext::create();
    ASSERT_TRUE(context) << context.status.message();
    const auto target = gl::OffscreenTarget::create(32, 32);
    ASSERT_TRUE(target) << target.status.message();

    Camera start = Camera::startUp();
    start.setViewSize(640, 480);
    Camera turned = start;
    turned.yaw(1.1f);
    turned.pitch(-0.4f);
    turned.dolly(3.0f);
    turned.fov = 75.0f;
    Camera identity; // no turn: frustum and translation only
    identity.eye = {1.0f, -2.0f, 3.0f};

    for (const Camera* camera : {&start, &turned, &identity}) {
        glMatrixMode(GL_MODELVIEW);
        glLoadIdentity();
        glTranslatef(5.0f, 6.0f, 7.0f);
        const auto modelview = glMatrix(GL_MODELVIEW_MATRIX);

        camera->applyProjection();
        GLint mode = 0;
        glGetIntegerv(GL_MATRIX_MODE, &mode);
        EXPECT_EQ(mode, GL_MODELVIEW);
        EXPECT_EQ(glMatrix(GL_MODELVIEW_MATRIX), modelview);

        const auto expected = camera->projectionMatrix();
        const auto actual = glMatrix(GL_PROJECTION_MATRIX);
        for (int i = 0; i < 16; ++i) {
            EXPECT_NEAR(actual[i], expected[i], 1e-4f * (1.0f + std::abs(expected[i])))
                << "element " << i;
        }
    }
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}

} // namespace
} // namespace cartonic
