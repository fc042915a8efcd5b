// The texture tests' reference box filter must give GLU's bytes exactly, on every road through
// it: the windowed one, the general one (boxes wider than the picture, enlargement), and the
// exact halving.

#include "support/glu_box_filter.h"

#include "gl/headless_context.h"

#include <gtest/gtest.h>

#include <GL/gl.h>
#include <GL/glu.h>

#include <cstdint>
#include <vector>

namespace cartonic {
namespace {

std::vector<std::uint8_t> noise(int width, int height, std::uint32_t seed) {
    std::vector<std::uint8_t> bytes(static_cast<std::size_t>(width) * height * 4);
    for (std::uint8_t& b : bytes) {
        seed = seed * 1664525u + 1013904223u;
        b = static_cast<std::uint8_t>(seed >> 24);
    }
    return bytes;
}

TEST(GluBoxFilter, GivesGluScaleImagesBytesExactly) {
    const auto context = gl::HeadlessContext::create(); // GLU reads the pixel store modes
    ASSERT_TRUE(context) << context.status.message();
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    struct Case {
        int inWidth, inHeight, outWidth, outHeight;
    };
    const Case cases[] = {
        {3000, 2000, 512, 341}, // the photograph of the benchmarks
        {700, 5000, 71, 512},   // portrait
        {600, 600, 512, 512},   // barely reduced: boxes of one or two inputs
        {640, 480, 512, 384},   {513, 7, 512, 6},
        {37, 20, 30, 11},       {1024, 768, 512, 384}, // an exact halving: GLU's integer road
        {2, 2, 1, 1},           {5, 3, 2, 1},
        {3, 2, 2, 1}, // a window wider than the picture: the general road
        {7, 7, 7, 9},           {100, 3, 512, 3}, // enlargement, boxes wrapping round the edge
    };
    std::uint32_t seed = 1;
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::Message() << c.inWidth << " x " << c.inHeight << " to "
                                          << c.outWidth << " x " << c.outHeight);
        const std::vector<std::uint8_t> in = noise(c.inWidth, c.inHeight, seed++);
        const std::size_t outBytes = static_cast<std::size_t>(c.outWidth) * c.outHeight * 4;
        std::vector<std::uint8_t> expected(outBytes);
        std::vector<std::uint8_t> actual(outBytes);
        ASSERT_EQ(gluScaleImage(GL_RGBA, c.inWidth, c.inHeight, GL_UNSIGNED_BYTE, in.data(),
                                c.outWidth, c.outHeight, GL_UNSIGNED_BYTE, expected.data()),
                  0);
        scaleRgbaPicture(in.data(), c.inWidth, c.inHeight, actual.data(), c.outWidth, c.outHeight);
        std::size_t first = 0;
        while (first < outBytes && actual[first] == expected[first]) {
            ++first;
        }
        EXPECT_EQ(first, outBytes) << "first difference at byte " << first << ": "
                                   << int(actual[first]) << " instead of " << int(expected[first]);
    }
}

} // namespace
} // namespace cartonic
