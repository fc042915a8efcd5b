#pragma once

// The box filter GLU's image scaling computes, byte for byte, without GL: the reference the
// texture tests hold the slot texture's own reduction to. Every channel widened to 16 bits
// (v * 257), each output pixel the coverage-weighted sum of the input pixels under its box, in
// single precision and in GLU's order, divided by the covered area and narrowed again (>> 8); an
// exact halving takes GLU's integer path. GLU does the same through a 16-bit copy of the whole
// picture, one pixel at a time; this walks the picture once, four channels at a time, so tests
// can afford photographs.

#include <cstdint>

namespace cartonic {

// Scales the packed RGBA picture in (inWidth x inHeight, rows of 4 x inWidth bytes) to out
// (outWidth x outHeight, packed likewise), giving the bytes gluScaleImage(GL_RGBA,
// GL_UNSIGNED_BYTE) gives with tightly packed rows. Does nothing when a size is 0.
void scaleRgbaPicture(const std::uint8_t* in, int inWidth, int inHeight, std::uint8_t* out,
                      int outWidth, int outHeight);

} // namespace cartonic
