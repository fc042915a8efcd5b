#pragma once

// The box filter that reduces a slot's picture to its texture size, computed as GLU's image
// scaling computes it, byte for byte: every channel widened to 16 bits (v * 257), each output
// pixel the coverage-weighted sum of the input pixels under its box, in single precision and in
// GLU's order, divided by the covered area and narrowed again (>> 8); an exact halving takes
// GLU's integer path. GLU does the same work through a 16-bit copy of the whole picture and one
// pixel at a time; this walks the picture once, four channels at a time.

#include <cstdint>

namespace cartonic {

// Scales the packed RGBA picture in (inWidth x inHeight, rows of 4 x inWidth bytes) to out
// (outWidth x outHeight, packed likewise), giving the bytes gluScaleImage(GL_RGBA,
// GL_UNSIGNED_BYTE) gives with tightly packed rows. Does nothing when a size is 0. Pure: no GL.
void scaleRgbaPicture(const std::uint8_t* in, int inWidth, int inHeight, std::uint8_t* out,
                      int outWidth, int outHeight);

// Reduces in to out (neither side larger than in's) by exact area averaging in integer
// arithmetic, one pass over the picture; the bytes differ from scaleRgbaPicture's by rounding
// only, at a fraction of its cost. Does nothing when a size is 0 or out is larger. Pure: no GL.
void averageRgbaPicture(const std::uint8_t* in, int inWidth, int inHeight, std::uint8_t* out,
                        int outWidth, int outHeight);

// The next mipmap level of the packed RGBA level in: max(1, inWidth / 2) x max(1, inHeight / 2),
// each texel the rounded mean of the 2 x 2 (or, along a side of one, 2) texels it covers. Pure.
void halveRgbaLevel(const std::uint8_t* in, int inWidth, int inHeight, std::uint8_t* out);

} // namespace cartonic
