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

} // namespace cartonic
