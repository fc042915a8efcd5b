#pragma once

// OpenGL textures of the record: a slot's picture reduced to at most maxTextureSide a side, then to
// the power-of-two sides GLU would choose, with its whole mipmap chain; and the built-in 16 x 16
// floor pattern. Slot textures end with the context that made them, or when New or Open drops
// the picture they showed.

#include "image/picture_reduction.h"
#include "model/project_data.h"
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

// Builds or re-specifies slot.textureId from image (the slot's RGBA picture): creates the name
// when textureId is 0, else reuses it. The caller makes the view's (or the headless renderer's)
// context current. Sets the context's texture environment to GL_MODULATE. Returns the OpenGL
// error read after the build (0 when all went well); GL_INVALID_VALUE without touching GL when
// the slot holds no picture.
unsigned buildSlotTexture(FaceSlot& slot, const SlotImage& image);

// Creates data.floorPatternTextureId holding the floor tile, with a mipmap chain when
// data.floorPatternMipmaps is non-zero. Needs a current context; leaves wrap, magnification
// filter and texture environment at their defaults.
void buildFloorPattern(ProjectData& data);

} // namespace cartonic
