#include "gl/headless_context.h"
#include "gl/offscreen_target.h"

#include <GL/gl.h>

#include <gtest/gtest.h>

namespace cartonic::gl {
namespace {

TEST(HeadlessGl, GivesACompatibilityContextWithStencil) {
    std::string error;
    auto context = HeadlessContext::create(&error);
    ASSERT_TRUE(context) << error;
    auto target = OffscreenTarget::create(64, 32, &error);
    ASSERT_TRUE(target) << error;

    GLint stencilBits = 0;
    glGetIntegerv(GL_STENCIL_BITS, &stencilBits);
    EXPECT_GE(stencilBits, 8);

    // Fixed-function drawing works: a red quad over the top half on a blue clear.
    glClearColor(0, 0, 1, 1);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT | GL_STENCIL_BUFFER_BIT);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glColor3f(1, 0, 0);
    glBegin(GL_QUADS);
    glVertex2f(-1, 0);
    glVertex2f(1, 0);
    glVertex2f(1, 1);
    glVertex2f(-1, 1);
    glEnd();
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));

    const std::vector<std::uint8_t> rgba = target->readRgba();
    ASSERT_EQ(rgba.size(), 64u * 32 * 4);
    EXPECT_EQ(rgba[0], 255) << "the first row read back is the top of the picture";
    EXPECT_EQ(rgba[2], 0);
    const std::size_t lastRow = 31u * 64 * 4;
    EXPECT_EQ(rgba[lastRow + 0], 0);
    EXPECT_EQ(rgba[lastRow + 2], 255);
}

TEST(HeadlessGl, TargetsUpTo4096AndRefusesTheImpossible) {
    std::string error;
    auto context = HeadlessContext::create(&error);
    ASSERT_TRUE(context) << error;
    EXPECT_TRUE(OffscreenTarget::create(4096, 4096, &error)) << error;
    EXPECT_FALSE(OffscreenTarget::create(0, 10, &error));
    EXPECT_FALSE(OffscreenTarget::create(1 << 20, 10, &error));
    EXPECT_NE(error.find("outside"), std::string::npos) << error;
}

} // namespace
} // namespace cartonic::gl
