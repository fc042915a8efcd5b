#pragma once

// The 40 named colours of the colour picker, row by row, 8 to a row. The names are the cells'
// tooltips and are kept exactly as users have always seen them (entry 35 ends with a blank).

#include "panels/color.h"

#include <array>

namespace cartonic {

inline constexpr int kPaletteSize = 40;

struct PaletteEntry {
    Color color;
    const char* name;
};

// clang-format off
inline constexpr std::array<PaletteEntry, kPaletteSize> kPalette = {{
    {rgbColor(0, 0, 0), "Black"},
    {rgbColor(165, 42, 0), "Brown"},
    {rgbColor(0, 64, 64), "Dark Olive Green"},
    {rgbColor(0, 85, 0), "Dark Green"},
    {rgbColor(0, 0, 94), "Dark Teal"},
    {rgbColor(0, 0, 139), "Dark blue"},
    {rgbColor(75, 0, 130), "Indigo"},
    {rgbColor(40, 40, 40), "Dark grey"},

    {rgbColor(139, 0, 0), "Dark red"},
    {rgbColor(255, 104, 32), "Orange"},
    {rgbColor(139, 139, 0), "Dark yellow"},
    {rgbColor(0, 147, 0), "Green"},
    {rgbColor(56, 142, 142), "Teal"},
    {rgbColor(0, 0, 255), "Blue"},
    {rgbColor(123, 123, 192), "Blue-grey"},
    {rgbColor(102, 102, 102), "Grey - 40"},

    {rgbColor(255, 0, 0), "Red"},
    {rgbColor(255, 173, 91), "Light orange"},
    {rgbColor(50, 205, 50), "Lime"},
    {rgbColor(60, 179, 113), "Sea green"},
    {rgbColor(127, 255, 212), "Aqua"},
    {rgbColor(125, 158, 192), "Light blue"},
    {rgbColor(128, 0, 128), "Violet"},
    {rgbColor(127, 127, 127), "Grey - 50"},

    {rgbColor(255, 192, 203), "Pink"},
    {rgbColor(255, 215, 0), "Gold"},
    {rgbColor(255, 255, 0), "Yellow"},
    {rgbColor(0, 255, 0), "Bright green"},
    {rgbColor(64, 224, 208), "Turquoise"},
    {rgbColor(192, 255, 255), "Skyblue"},
    {rgbColor(72, 0, 72), "Plum"},
    {rgbColor(192, 192, 192), "Light grey"},

    {rgbColor(255, 228, 225), "Rose"},
    {rgbColor(210, 180, 140), "Tan"},
    {rgbColor(255, 255, 224), "Light yellow"},
    {rgbColor(152, 251, 152), "Pale green "},
    {rgbColor(175, 238, 238), "Pale turquoise"},
    {rgbColor(104, 131, 139), "Pale blue"},
    {rgbColor(230, 230, 250), "Lavender"},
    {rgbColor(255, 255, 255), "White"},
}};
// clang-format on

// Index of the first entry whose colour equals c exactly, or -1 when none does.
int paletteIndexOf(Color c);

} // namespace cartonic
