#pragma once

// Reductions of a slot's packed RGBA picture to its texture size and down its mipmap chain.
// Pure: no OpenGL.

#include <cstdint>

namespace cartonic {

// Bytes of one pixel of a packed RGBA (or RGBX) picture.
inline constexpr int kRgbaBytes = 4;

// Longest side, in pixels, of the picture a slot keeps and its texture is uploaded from, with its
// mipmap chain; bounds texture memory, mipmap time and the memory of loaded pictures.
inline constexpr int kMaxTextureSide = 512;

struct TextureSize {
    int width;
    int height;
};

// The size a width x height picture (both at least 1) is kept and uploaded at: the longer side
// capped at kMaxTextureSide, the other scaled with truncating integer arithmetic but never below 1.
// Pure.
TextureSize textureUploadSize(int width, int height);

// A width x height picture's size with each side kept at its own or most's, whichever is smaller;
// a side of most below 1 counts as 1. Pure.
inline TextureSize sizeWithin(int width, int height, TextureSize most) {
    return {width < most.width ? width : (most.width < 1 ? 1 : most.width),
            height < most.height ? height : (most.height < 1 ? 1 : most.height)};
}

// Reduces in (inWidth x inHeight, rows of 4 x inWidth bytes) to out (outWidth x outHeight,
// packed likewise; neither side larger than in's) by exact area averaging in integer arithmetic,
// one pass over the picture; the bytes differ from GLU's box filter (gluScaleImage) by rounding
// only, at a fraction of its cost. Does nothing when a size is 0 or out is larger. Pure: no GL.
void averageRgbaPicture(const std::uint8_t* in, int inWidth, int inHeight, std::uint8_t* out,
                        int outWidth, int outHeight);

// The next mipmap level of the packed RGBA level in: max(1, inWidth / 2) x max(1, inHeight / 2),
// each texel the rounded mean of the 2 x 2 (or, along a side of one, 2) texels it covers. Pure.
void halveRgbaLevel(const std::uint8_t* in, int inWidth, int inHeight, std::uint8_t* out);

} // namespace cartonic
