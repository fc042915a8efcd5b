#include "render/textures.h"

#include "gl/headless_context.h"
#include "gl/offscreen_target.h"
#include "image/picture_reduction.h"
#include "support/glu_box_filter.h"

#include <GL/gl.h>
#include <GL/glu.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <memory>
#include <vector>

namespace cartonic {
namespace {

TEST(TextureUploadSize, CapsTheLongerSideWithTruncation) {
    struct Case {
        int width, height, wantWidth, wantHeight;
    };
    for (const Case& c :
         {Case{1024, 768, 512, 384}, Case{768, 1024, 384, 512}, Case{600, 600, 512, 512},
          Case{512, 300, 512, 300}, Case{512, 512, 512, 512}, Case{513, 1, 512, 1},
          Case{5000, 1, 512, 1}, Case{1, 1, 1, 1}, Case{1000, 999, 512, 511},
          Case{3000000, 2000000, 512, 341}}) {
        const TextureSize size = textureUploadSize(c.width, c.height);
        EXPECT_EQ(size.width, c.wantWidth) << c.width << "x" << c.height;
        EXPECT_EQ(size.height, c.wantHeight) << c.width << "x" << c.height;
    }
}

struct Level {
    GLint width = 0, height = 0;
    std::vector<std::uint8_t> texels;
};

Level readLevel(GLint level) {
    Level result;
    glGetTexLevelParameteriv(GL_TEXTURE_2D, level, GL_TEXTURE_WIDTH, &result.width);
    glGetTexLevelParameteriv(GL_TEXTURE_2D, level, GL_TEXTURE_HEIGHT, &result.height);
    result.texels.resize(static_cast<std::size_t>(result.width) * result.height * 4);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glGetTexImage(GL_TEXTURE_2D, level, GL_RGBA, GL_UNSIGNED_BYTE, result.texels.data());
    return result;
}

class TexturesGl : public ::testing::Test {
protected:
    void SetUp() override {
        auto context = gl::HeadlessContext::create();
        ASSERT_TRUE(context) << context.status.message();
        context_ = std::move(context.value);
        auto target = gl::OffscreenTarget::create(16, 16);
        ASSERT_TRUE(target) << target.status.message();
        target_ = std::move(target.value);
    }
    void TearDown() override { target_.reset(); }

    static SlotImage picture(int width, int height) {
        SlotImage image;
        image.image = QImage(width, height, QImage::Format_RGBX8888);
        for (int y = 0; y < height; ++y) {
            std::uint8_t* row = image.image.scanLine(y);
            for (int x = 0; x < width; ++x) {
                row[x * 4 + 0] = static_cast<std::uint8_t>(x * 37);
                row[x * 4 + 1] = static_cast<std::uint8_t>(y * 53);
                row[x * 4 + 2] = static_cast<std::uint8_t>(x + y);
                row[x * 4 + 3] = 255;
            }
        }
        return image;
    }

    static GLint levelSize(GLenum which, GLint level = 0) {
        GLint value = -1;
        glGetTexLevelParameteriv(GL_TEXTURE_2D, level, which, &value);
        return value;
    }

    static GLint parameter(GLenum which) {
        GLint value = -1;
        glGetTexParameteriv(GL_TEXTURE_2D, which, &value);
        return value;
    }

    std::unique_ptr<gl::HeadlessContext> context_;
    std::unique_ptr<gl::OffscreenTarget> target_;
};

TEST_F(TexturesGl, SlotTextureKeepsItsNameAndUploadsThePictureAsLoaded) {
    glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_DECAL);
    unsigned texture = 0;
    // Power-of-two sides pass through GLU unscaled, so the texels are the buffer itself:
    // its first row is texture row t = 0.
    const SlotImage small = picture(4, 2);
    EXPECT_EQ(uploadSlotTexture(texture, small), static_cast<unsigned>(GL_NO_ERROR));
    const GLuint name = texture;
    ASSERT_NE(name, 0u);
    glBindTexture(GL_TEXTURE_2D, name);
    std::vector<std::uint8_t> texels(4 * 2 * 4);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glGetTexImage(GL_TEXTURE_2D, 0, GL_RGBA, GL_UNSIGNED_BYTE, texels.data());
    EXPECT_EQ(texels, std::vector<std::uint8_t>(small.pixels(), small.pixels() + texels.size()));
    EXPECT_EQ(parameter(GL_TEXTURE_WRAP_S), GL_CLAMP);
    EXPECT_EQ(parameter(GL_TEXTURE_WRAP_T), GL_CLAMP);
    EXPECT_EQ(parameter(GL_TEXTURE_MAG_FILTER), GL_LINEAR);
    EXPECT_EQ(parameter(GL_TEXTURE_MIN_FILTER), GL_LINEAR);
    EXPECT_GT(levelSize(GL_TEXTURE_WIDTH, 2), 0) << "the mipmap chain is built";
    GLint env = 0;
    glGetTexEnviv(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, &env);
    EXPECT_EQ(env, GL_MODULATE);

    // Reduced to 512 x 384, then GLU's nearest powers of two.
    EXPECT_EQ(uploadSlotTexture(texture, picture(1024, 768)), static_cast<unsigned>(GL_NO_ERROR));
    EXPECT_EQ(texture, name);
    glBindTexture(GL_TEXTURE_2D, name);
    EXPECT_EQ(levelSize(GL_TEXTURE_WIDTH), 512);
    EXPECT_EQ(levelSize(GL_TEXTURE_HEIGHT), 512);

    // Not reduced: 300 x 100 is left to GLU alone.
    EXPECT_EQ(uploadSlotTexture(texture, picture(300, 100)), static_cast<unsigned>(GL_NO_ERROR));
    EXPECT_EQ(texture, name);
    glBindTexture(GL_TEXTURE_2D, name);
    EXPECT_EQ(levelSize(GL_TEXTURE_WIDTH), 256);
    EXPECT_EQ(levelSize(GL_TEXTURE_HEIGHT), 128);
}

TEST_F(TexturesGl, ThinPicturesKeepATexelAcrossAndTheirColour) {
    unsigned texture = 0;
    ASSERT_EQ(uploadSlotTexture(texture, picture(8, 8)), static_cast<unsigned>(GL_NO_ERROR));
    const GLuint name = texture;
    const std::uint8_t colour[4] = {200, 40, 90, 255};
    struct Case {
        int width, height;
    };
    for (const Case& c : {Case{513, 1}, Case{1, 513}, Case{4097, 1}, Case{2, 1025}, Case{65535, 1},
                          Case{1, 65535}}) {
        SCOPED_TRACE(::testing::Message() << c.width << " x " << c.height);
        SlotImage thin;
        thin.image = QImage(c.width, c.height, QImage::Format_RGBX8888);
        thin.image.fill(QColor(colour[0], colour[1], colour[2]));
        // The name is reused: the earlier picture must not linger under it either.
        ASSERT_EQ(uploadSlotTexture(texture, thin), static_cast<unsigned>(GL_NO_ERROR));
        EXPECT_EQ(texture, name);
        glBindTexture(GL_TEXTURE_2D, name);
        const Level level = readLevel(0);
        ASSERT_GE(level.width, 1);
        ASSERT_GE(level.height, 1);
        for (std::size_t i = 0; i < level.texels.size(); ++i) {
            ASSERT_EQ(level.texels[i], colour[i % 4]) << "texel " << i / 4;
        }
    }
}

TEST_F(TexturesGl, SlotWithoutPictureIsLeftAlone) {
    unsigned texture = 0;
    EXPECT_NE(uploadSlotTexture(texture, SlotImage{}), static_cast<unsigned>(GL_NO_ERROR));
    EXPECT_EQ(texture, 0u);
}

TEST_F(TexturesGl, FloorPatternHoldsTheTileWithOrWithoutMipmaps) {
    std::vector<std::uint8_t> want;
    for (std::string_view row : kFloorPatternRows) {
        ASSERT_EQ(row.size(), static_cast<std::size_t>(kFloorPatternSide));
        for (char texel : row) {
            const auto& colour = texel == 'x' ? kFloorPatternGreen : kFloorPatternGrey;
            want.insert(want.end(), colour.begin(), colour.end());
        }
    }
    // The ring's colours, spelled out rather than taken from the table.
    EXPECT_EQ(std::vector<std::uint8_t>(want.begin() + 4 * 3, want.begin() + 5 * 3),
              (std::vector<std::uint8_t>{31, 143, 31}));
    EXPECT_EQ(std::vector<std::uint8_t>(want.begin(), want.begin() + 3),
              (std::vector<std::uint8_t>{170, 170, 170}));

    for (int mipmaps : {1, 0}) {
        SCOPED_TRACE(mipmaps);
        const unsigned pattern = buildFloorPattern(mipmaps != 0);
        ASSERT_NE(pattern, 0u);
        EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
        glBindTexture(GL_TEXTURE_2D, pattern);
        std::vector<std::uint8_t> texels(want.size());
        glPixelStorei(GL_PACK_ALIGNMENT, 1);
        glGetTexImage(GL_TEXTURE_2D, 0, GL_RGB, GL_UNSIGNED_BYTE, texels.data());
        EXPECT_EQ(texels, want);
        EXPECT_EQ(parameter(GL_TEXTURE_MIN_FILTER), mipmaps ? GL_LINEAR_MIPMAP_LINEAR : GL_LINEAR);
        EXPECT_EQ(levelSize(GL_TEXTURE_WIDTH, 1), mipmaps ? kFloorPatternSide / 2 : 0);
        EXPECT_EQ(parameter(GL_TEXTURE_WRAP_S), GL_REPEAT) << "the floor tiles the pattern";
        EXPECT_EQ(parameter(GL_TEXTURE_MAG_FILTER), GL_LINEAR);
    }
}

// A photograph-like picture: smooth gradients and waves with a little grain.
SlotImage photograph(int width, int height) {
    SlotImage image;
    image.image = QImage(width, height, QImage::Format_RGBX8888);
    std::uint32_t seed = 7;
    for (int y = 0; y < height; ++y) {
        std::uint8_t* row = image.image.scanLine(y);
        const double v = double(y) / height;
        for (int x = 0; x < width; ++x) {
            const double u = double(x) / width;
            const double wave = 40.0 * std::sin(6.0 * u + 4.0 * v) * std::cos(5.0 * v - 2.0 * u);
            const double channels[3] = {60 + 150 * u + wave, 40 + 170 * v - wave,
                                        200 - 120 * u * v + wave / 2};
            for (int c = 0; c < 3; ++c) {
                seed = seed * 1664525u + 1013904223u;
                const int grain = static_cast<int>(seed >> 24) % 12 - 6;
                row[x * 4 + c] = static_cast<std::uint8_t>(
                    std::clamp(static_cast<int>(std::lround(channels[c])) + grain, 0, 255));
            }
            row[x * 4 + 3] = 255;
        }
    }
    return image;
}

// The texture GLU builds from the picture: the exact box filter down to the upload size, then
// gluBuild2DMipmaps. Left bound.
GLuint gluTexture(const SlotImage& image) {
    const int width = image.image.width();
    const int height = image.image.height();
    const TextureSize size = textureUploadSize(width, height);
    std::vector<std::uint8_t> reduced(static_cast<std::size_t>(size.width) * size.height * 4);
    scaleRgbaPicture(image.pixels(), width, height, reduced.data(), size.width, size.height);
    GLuint name = 0;
    glGenTextures(1, &name);
    glBindTexture(GL_TEXTURE_2D, name);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    gluBuild2DMipmaps(GL_TEXTURE_2D, 4, size.width, size.height, GL_RGBA, GL_UNSIGNED_BYTE,
                      reduced.data());
    return name;
}

// Over every row but the last: GLU leaves the last row of a level it narrows at an unchanged
// height unwritten (black and transparent), a fault the slot texture does not copy.
int largestDifference(const Level& a, const Level& b) {
    int largest = 0;
    const std::size_t lastRow = static_cast<std::size_t>(a.width) * 4;
    for (std::size_t i = 0; i + lastRow < std::min(a.texels.size(), b.texels.size()); ++i) {
        largest = std::max(largest, std::abs(int(a.texels[i]) - int(b.texels[i])));
    }
    return largest;
}

TEST_F(TexturesGl, SlotTextureMatchesGlusMipmapsUpToRounding) {
    // Reduced photographs (one halved exactly, one barely), then pictures GLU alone rescales,
    // up and down, with sides at and beside ties between two powers of two.
    struct Case {
        int width, height;
    };
    for (const Case& c :
         {Case{3000, 2000}, Case{1024, 768}, Case{600, 600}, Case{700, 2300}, Case{300, 100},
          Case{384, 96}, Case{383, 385}, Case{3, 6}, Case{1, 5}, Case{512, 1}, Case{64, 64}}) {
        SCOPED_TRACE(::testing::Message() << c.width << " x " << c.height);
        const SlotImage image = photograph(c.width, c.height);
        unsigned texture = 0;
        ASSERT_EQ(uploadSlotTexture(texture, image), static_cast<unsigned>(GL_NO_ERROR));
        glBindTexture(GL_TEXTURE_2D, texture);
        std::vector<Level> ours;
        for (GLint level = 0; level < 12; ++level) {
            ours.push_back(readLevel(level));
        }
        for (std::size_t i = 3; i < ours[0].texels.size(); i += 4) {
            ASSERT_GE(ours[0].texels[i], 254) << "every texel written, texel " << i / 4;
        }
        glBindTexture(GL_TEXTURE_2D, gluTexture(image));
        for (GLint level = 0; level < 12; ++level) {
            SCOPED_TRACE(level);
            const Level theirs = readLevel(level);
            ASSERT_EQ(ours[level].width, theirs.width);
            ASSERT_EQ(ours[level].height, theirs.height);
            if (level <= 1) {
                EXPECT_LE(largestDifference(ours[level], theirs), 3);
            }
        }
    }
}

TEST(PictureAveraging, DiffersFromTheExactBoxFilterByRoundingOnly) {
    // Rows of 1501 pixels end in a part of 16 bytes the vector loops leave to scalar code; a
    // box 333 rows tall overflows the 16-bit row sums and takes the general road.
    struct Case {
        int inWidth, inHeight, width, height;
    };
    for (const Case& c :
         {Case{1500, 1001, 512, 341}, Case{1500, 1001, 1500, 1001}, Case{1500, 1001, 1499, 1000},
          Case{1500, 1001, 1, 1}, Case{1501, 1001, 750, 500}, Case{1501, 1001, 37, 500},
          Case{1501, 1001, 37, 3}}) {
        SCOPED_TRACE(::testing::Message()
                     << c.inWidth << " x " << c.inHeight << " to " << c.width << " x " << c.height);
        const SlotImage image = photograph(c.inWidth, c.inHeight);
        const std::size_t bytes = static_cast<std::size_t>(c.width) * c.height * 4;
        std::vector<std::uint8_t> exact(bytes);
        std::vector<std::uint8_t> averaged(bytes);
        scaleRgbaPicture(image.pixels(), c.inWidth, c.inHeight, exact.data(), c.width, c.height);
        averageRgbaPicture(image.pixels(), c.inWidth, c.inHeight, averaged.data(), c.width,
                           c.height);
        int largest = 0;
        for (std::size_t i = 0; i < bytes; ++i) {
            largest = std::max(largest, std::abs(int(exact[i]) - int(averaged[i])));
        }
        EXPECT_LE(largest, 1);
    }
}

} // namespace
} // namespace cartonic
