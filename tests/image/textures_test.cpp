#include "image/textures.h"

#include "gl/headless_context.h"
#include "gl/offscreen_target.h"

#include <GL/gl.h>

#include <gtest/gtest.h>

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
          Case{512, 300, 512, 300}, Case{512, 512, 512, 512}, Case{513, 1, 512, 0},
          Case{5000, 1, 512, 0}, Case{1, 1, 1, 1}, Case{1000, 999, 512, 511},
          Case{3000000, 2000000, 512, 341}}) {
        const TextureSize size = textureUploadSize(c.width, c.height);
        EXPECT_EQ(size.width, c.wantWidth) << c.width << "x" << c.height;
        EXPECT_EQ(size.height, c.wantHeight) << c.width << "x" << c.height;
    }
}

class TexturesGl : public ::testing::Test {
protected:
    void SetUp() override {
        std::string error;
        context_ = gl::HeadlessContext::create(&error);
        ASSERT_TRUE(context_) << error;
        target_ = gl::OffscreenTarget::create(16, 16, &error);
        ASSERT_TRUE(target_) << error;
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
    FaceSlot slot{};
    // Power-of-two sides pass through GLU unscaled, so the texels are the buffer itself:
    // its first row is texture row t = 0.
    const SlotImage small = picture(4, 2);
    slot.imageWidth = 4;
    slot.imageHeight = 2;
    EXPECT_EQ(buildSlotTexture(slot, small), static_cast<unsigned>(GL_NO_ERROR));
    const GLuint name = slot.textureId;
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
    slot.imageWidth = 1024;
    slot.imageHeight = 768;
    EXPECT_EQ(buildSlotTexture(slot, picture(1024, 768)), static_cast<unsigned>(GL_NO_ERROR));
    EXPECT_EQ(slot.textureId, name);
    glBindTexture(GL_TEXTURE_2D, name);
    EXPECT_EQ(levelSize(GL_TEXTURE_WIDTH), 512);
    EXPECT_EQ(levelSize(GL_TEXTURE_HEIGHT), 512);

    // Not reduced: 300 x 100 is left to GLU alone.
    EXPECT_EQ(buildSlotTexture(slot, picture(300, 100)), static_cast<unsigned>(GL_NO_ERROR));
    EXPECT_EQ(slot.textureId, name);
    glBindTexture(GL_TEXTURE_2D, name);
    EXPECT_EQ(levelSize(GL_TEXTURE_WIDTH), 256);
    EXPECT_EQ(levelSize(GL_TEXTURE_HEIGHT), 128);
}

TEST_F(TexturesGl, PictureThatVanishesUnderTheCapLeavesNoImage) {
    FaceSlot slot{};
    ASSERT_EQ(buildSlotTexture(slot, picture(8, 8)), static_cast<unsigned>(GL_NO_ERROR));
    const GLuint name = slot.textureId;
    // 513 x 1 becomes 512 x 0: the earlier picture must not linger under the reused name.
    buildSlotTexture(slot, picture(513, 1));
    EXPECT_EQ(slot.textureId, name);
    glBindTexture(GL_TEXTURE_2D, name);
    EXPECT_EQ(levelSize(GL_TEXTURE_WIDTH) * levelSize(GL_TEXTURE_HEIGHT), 0);
}

TEST_F(TexturesGl, SlotWithoutPictureIsLeftAlone) {
    FaceSlot slot{};
    EXPECT_NE(buildSlotTexture(slot, SlotImage{}), static_cast<unsigned>(GL_NO_ERROR));
    EXPECT_EQ(slot.textureId, 0u);
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
        ProjectData data;
        data.floorPatternMipmaps = mipmaps;
        data.floorPatternTextureId = 0;
        buildFloorPattern(data);
        ASSERT_NE(data.floorPatternTextureId, 0u);
        EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
        glBindTexture(GL_TEXTURE_2D, data.floorPatternTextureId);
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

} // namespace
} // namespace cartonic
