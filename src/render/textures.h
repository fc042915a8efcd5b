#pragma once

// OpenGL textures of the scene: a slot's picture reduced to at most kMaxTextureSide a side, then to
// the power-of-two sides GLU would choose, with its whole mipmap chain; and the built-in 16 x 16
// floor pattern.

#include "image/picture_reduction.h"
#include "model/slot_images.h"

#include <array>
#include <cstdint>
#include <string_view>

namespace cartonic {

// The floor tile, row 0 (texture row t = 0) first, one character per texel from s = 0:
// kFloorPatternGreen texels are 'x', kFloorPatternGrey texels are '.'.
inline constexpr int kFloorPatternSide = 16;
inline constexpr std::array<std::string_view, kFloorPatternSide> kFloorPatternRows = {
    "....xxxx........", "..xxxxxxxx......", ".xxxxxxxxxx.....", ".xxx....xxx.....",
    "xxx......xxx....", "xxx......xxx....", "xxx......xxx....", "xxx......xxx....",
    ".xxx....xxx.....", ".xxxxxxxxxx.....", "..xxxxxxxx......", "....xxxx........",
    "................", "................", "................", "................",
};
inline constexpr char kFloorPatternRingTexel = 'x';
inline constexpr std::array<std::uint8_t, 3> kFloorPatternGreen = {31, 143, 31};
inline constexpr std::array<std::uint8_t, 3> kFloorPatternGrey = {170, 170, 170};

// Specifies texture name from image (a slot's RGBA picture): creates the name when it is 0, else
// re-specifies it. The caller makes the context current. Returns the OpenGL error read after the
// build (0 when all went well); GL_INVALID_VALUE without touching GL when image holds no picture.
unsigned uploadSlotTexture(unsigned& name, const SlotImage& image);

// A new texture holding the floor tile, with a mipmap chain when mipmaps is true. Needs a current
// context; leaves wrap, magnification filter and texture environment at their defaults.
unsigned buildFloorPattern(bool mipmaps);

// A new one-dimensional texture of two texels, alpha 1 then 0, filtered linearly: read at
// s = 1/4 + t/2 it gives 1 - t for t in 0..1, and 1 or 0 beyond. A fading reflection's opacity.
unsigned buildFadeRamp();

} // namespace cartonic
