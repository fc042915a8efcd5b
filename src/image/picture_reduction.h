#pragma once

// Reductions of a slot's packed RGBA picture to its texture size and down its mipmap chain.

#include <cstdint>

namespace cartonic {

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
