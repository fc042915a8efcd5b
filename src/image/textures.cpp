#include "image/textures.h"

#include "image/picture_reduction.h"

#include <GL/gl.h>
#include <GL/glu.h>

#include <memory>

namespace cartonic {

namespace {

constexpr GLint kRgbaComponents = 4;
constexpr GLint kRgbComponents = 3;
constexpr int kRgbaBytes = 4;
constexpr int kRgbBytes = 3;

bool isRgbaBuffer(const QImage& image) {
    const QImage::Format format = image.format();
    return (format == QImage::Format_RGBX8888 || format == QImage::Format_RGBA8888) &&
           image.bytesPerLine() == image.width() * kRgbaBytes;
}

} // namespace

TextureSize textureUploadSize(int width, int height) {
    // 64-bit intermediates: a side times 512 overflows int for pictures wider than ~4 million.
    if (width > height) {
        if (width > maxTextureSide) {
            return {maxTextureSide,
                    static_cast<int>(std::int64_t{height} * maxTextureSide / width)};
        }
        return {width, height};
    }
    if (height > maxTextureSide) {
        return {static_cast<int>(std::int64_t{width} * maxTextureSide / height), maxTextureSide};
    }
    return {width, height};
}

unsigned buildSlotTexture(FaceSlot& slot, const SlotImage& image) {
    // The picture's own size is the truth about the buffer; the slot's size fields may come
    // from a project file.
    if (image.empty() || !isRgbaBuffer(image.image)) {
        return GL_INVALID_VALUE;
    }
    const int width = image.image.width();
    const int height = image.image.height();

    if (slot.textureId == 0) {
        GLuint name = 0;
        glGenTextures(1, &name);
        slot.textureId = name;
    }
    while (glGetError() != GL_NO_ERROR) {
    }
    glBindTexture(GL_TEXTURE_2D, slot.textureId);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);

    const TextureSize size = textureUploadSize(width, height);
    if (size.width == 0 || size.height == 0) {
        // GLU refuses an empty picture and would leave a reused name showing the previous one;
        // an empty level 0 makes the texture incomplete, so the face draws untextured.
        glTexImage2D(GL_TEXTURE_2D, 0, kRgbaComponents, 0, 0, 0, GL_RGBA, GL_UNSIGNED_BYTE,
                     nullptr);
    } else if (size.width != width || size.height != height) {
        // GLU's own box filter, byte for byte, without its 16-bit copy of the whole picture.
        // Every byte is written, so the buffer is not zeroed first.
        const std::unique_ptr<std::uint8_t[]> reduced(
            new std::uint8_t[static_cast<std::size_t>(size.width) * size.height * kRgbaBytes]);
        scaleRgbaPicture(image.pixels(), width, height, reduced.get(), size.width, size.height);
        gluBuild2DMipmaps(GL_TEXTURE_2D, kRgbaComponents, size.width, size.height, GL_RGBA,
                          GL_UNSIGNED_BYTE, reduced.get());
    } else {
        gluBuild2DMipmaps(GL_TEXTURE_2D, kRgbaComponents, width, height, GL_RGBA, GL_UNSIGNED_BYTE,
                          image.pixels());
    }

    // The mipmap levels exist but plain linear minification ignores them.
    glTexParameterf(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP);
    glTexParameterf(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP);
    glTexParameterf(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    glTexParameterf(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
    // A context setting, not a texture's: from now on every textured draw is lit.
    glTexEnvf(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_MODULATE);
    return glGetError();
}

void buildFloorPattern(ProjectData& data) {
    std::array<std::uint8_t, kFloorPatternSide * kFloorPatternSide * kRgbBytes> texels{};
    std::size_t at = 0;
    for (std::string_view row : kFloorPatternRows) {
        for (char texel : row) {
            const auto& colour =
                texel == kFloorPatternRingTexel ? kFloorPatternGreen : kFloorPatternGrey;
            for (std::uint8_t channel : colour) {
                texels[at++] = channel;
            }
        }
    }

    GLuint name = 0;
    glGenTextures(1, &name);
    data.floorPatternTextureId = name;
    glBindTexture(GL_TEXTURE_2D, name);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    if (data.floorPatternMipmaps != 0) {
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR_MIPMAP_LINEAR);
        gluBuild2DMipmaps(GL_TEXTURE_2D, kRgbComponents, kFloorPatternSide, kFloorPatternSide,
                          GL_RGB, GL_UNSIGNED_BYTE, texels.data());
    } else {
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
    }
    // Wrap stays GL_REPEAT: the floor tiles this texture many times over.
    glTexImage2D(GL_TEXTURE_2D, 0, kRgbComponents, kFloorPatternSide, kFloorPatternSide, 0, GL_RGB,
                 GL_UNSIGNED_BYTE, texels.data());
}

} // namespace cartonic
