#include "render/textures.h"

#include "gl/gl_errors.h"
#include "image/picture_reduction.h"

#include <GL/gl.h>
#include <GL/glu.h>

#include <algorithm>
#include <memory>

namespace cartonic {

namespace {

constexpr GLint kRgbaComponents = 4;
constexpr GLint kRgbComponents = 3;
constexpr int kRgbBytes = 3;

// The power of two nearest to side, a tie going up, as GLU chooses level 0's sides, but no
// larger than the implementation's largest texture.
int nearestPowerOfTwo(int side, int largest) {
    int below = 1;
    while (below * 2 <= side) {
        below *= 2;
    }
    int chosen = side - below >= 2 * below - side ? 2 * below : below;
    while (chosen > largest && chosen > 1) {
        chosen /= 2;
    }
    return chosen;
}

std::size_t rgbaBytes(int width, int height) {
    return static_cast<std::size_t>(width) * static_cast<std::size_t>(height) * kRgbaBytes;
}

// Uploads the width x height picture reduced to size, at GLU's power-of-two sides, with its
// whole mipmap chain. The costly part, the reduction of a large picture, is one integer pass;
// the reduced picture takes the same road to the power-of-two sides, and the chain is plain 2 x 2
// means. Sides GLU would enlarge are left to GLU, which interpolates in a way of its own.
void uploadMipmapChain(const std::uint8_t* pixels, int width, int height, TextureSize size) {
    GLint largest = 0;
    glGetIntegerv(GL_MAX_TEXTURE_SIZE, &largest);
    const int levelWidth = nearestPowerOfTwo(size.width, largest);
    const int levelHeight = nearestPowerOfTwo(size.height, largest);
    const bool reduced = size.width != width || size.height != height;
    const bool rescaled = levelWidth != size.width || levelHeight != size.height;
    const bool enlarged = levelWidth > size.width || levelHeight > size.height;

    // One scratch buffer: the reduced picture, level 0, and two levels after it in turn (each
    // level is at most half its predecessor, so level 1's room holds every odd level).
    const std::size_t reducedBytes = reduced ? rgbaBytes(size.width, size.height) : 0;
    const std::size_t level0Bytes = rescaled ? rgbaBytes(levelWidth, levelHeight) : 0;
    const std::size_t level1Bytes =
        rgbaBytes(std::max(1, levelWidth / 2), std::max(1, levelHeight / 2));
    const std::unique_ptr<std::uint8_t[]> scratch(
        new std::uint8_t[reducedBytes + level0Bytes + 2 * level1Bytes]);
    std::uint8_t* const reducedAt = scratch.get();
    std::uint8_t* const level0At = reducedAt + reducedBytes;
    std::uint8_t* const oddAt = level0At + level0Bytes;
    std::uint8_t* const evenAt = oddAt + level1Bytes;

    const std::uint8_t* level = pixels;
    if (reduced) {
        averageRgbaPicture(pixels, width, height, reducedAt, size.width, size.height);
        level = reducedAt;
    }
    if (enlarged) {
        // GLU enlarges by interpolation of its own; it alone gives those texels.
        gluBuild2DMipmaps(GL_TEXTURE_2D, kRgbaComponents, size.width, size.height, GL_RGBA,
                          GL_UNSIGNED_BYTE, level);
        return;
    }
    if (rescaled) {
        averageRgbaPicture(level, size.width, size.height, level0At, levelWidth, levelHeight);
        level = level0At;
    }
    int w = levelWidth;
    int h = levelHeight;
    for (GLint index = 0;; ++index) {
        glTexImage2D(GL_TEXTURE_2D, index, kRgbaComponents, w, h, 0, GL_RGBA, GL_UNSIGNED_BYTE,
                     level);
        if (w == 1 && h == 1) {
            break;
        }
        std::uint8_t* next = index % 2 == 0 ? oddAt : evenAt;
        halveRgbaLevel(level, w, h, next);
        level = next;
        w = std::max(1, w / 2);
        h = std::max(1, h / 2);
    }
}

bool isRgbaBuffer(const QImage& image) {
    const QImage::Format format = image.format();
    return (format == QImage::Format_RGBX8888 || format == QImage::Format_RGBA8888) &&
           image.bytesPerLine() == image.width() * kRgbaBytes;
}

} // namespace

unsigned uploadSlotTexture(unsigned& name, const SlotImage& image) {
    // The picture's own size is the truth about the buffer; the slot's size fields may come
    // from a project file.
    if (image.empty() || !isRgbaBuffer(image.image)) {
        return GL_INVALID_VALUE;
    }
    const int width = image.image.width();
    const int height = image.image.height();

    if (name == 0) {
        glGenTextures(1, &name);
    }
    gl::clearPendingErrors();
    glBindTexture(GL_TEXTURE_2D, name);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);

    uploadMipmapChain(image.pixels(), width, height, textureUploadSize(width, height));

    // The mipmap levels exist but plain linear minification ignores them.
    glTexParameterf(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP);
    glTexParameterf(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP);
    glTexParameterf(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    glTexParameterf(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
    // A context setting, not a texture's: from now on every textured draw is lit.
    glTexEnvf(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_MODULATE);
    return glGetError();
}

unsigned buildFloorPattern(bool mipmaps) {
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
    glBindTexture(GL_TEXTURE_2D, name);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    if (mipmaps) {
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR_MIPMAP_LINEAR);
        gluBuild2DMipmaps(GL_TEXTURE_2D, kRgbComponents, kFloorPatternSide, kFloorPatternSide,
                          GL_RGB, GL_UNSIGNED_BYTE, texels.data());
    } else {
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
    }
    // Wrap stays GL_REPEAT: the floor tiles this texture many times over.
    glTexImage2D(GL_TEXTURE_2D, 0, kRgbComponents, kFloorPatternSide, kFloorPatternSide, 0, GL_RGB,
                 GL_UNSIGNED_BYTE, texels.data());
    return name;
}

unsigned buildFadeRamp() {
    constexpr std::array<std::uint8_t, 2> kAlphas = {255, 0};
    GLuint name = 0;
    glGenTextures(1, &name);
    glBindTexture(GL_TEXTURE_1D, name);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    glTexParameteri(GL_TEXTURE_1D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_1D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_1D, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
    glTexImage1D(GL_TEXTURE_1D, 0, GL_ALPHA8, static_cast<GLsizei>(kAlphas.size()), 0, GL_ALPHA,
                 GL_UNSIGNED_BYTE, kAlphas.data());
    glBindTexture(GL_TEXTURE_1D, 0);
    return name;
}

} // namespace cartonic
