#include "gl/headless_context.h"
#include "gl/offscreen_target.h"

#include <GL/gl.h>

#include <gtest/gtest.h>

namespace cartonic::gl {
namespace {

TEST(HeadlessGl, GivesACompatibilityContextWithStencil) {
    const auto context = HeadlessContext::create();
    ASSERT_TRUE(context) << context.status.message();
    const auto made = OffscreenTarget::create(64, 32);
    ASSERT_TRUE(made) << made.status.message();
    const OffscreenTarget* target = made.value.get();

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
    const auto context = HeadlessContext::create();
    ASSERT_TRUE(context) << context.status.message();
    const auto largest = OffscreenTarget::create(4096, 4096);
    EXPECT_TRUE(largest) << largest.status.message();
    EXPECT_EQ(OffscreenTarget::create(0, 10).status.kind(), Status::Kind::Usage);
    const auto huge = OffscreenTarget::create(1 << 20, 10);
    EXPECT_EQ(huge.status.kind(), Status::Kind::TooLarge);
    EXPECT_NE(huge.status.message().find("outside"), std::string::npos) << huge.status.message();
}

} // namespace
} // namespace cartonic::gl
