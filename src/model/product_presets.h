#pragma once

// Real products' sizes, one table: the window's Product choice, --preset and --list-presets all
// read it.

#include "model/box_sides.h"
#include "model/project_data.h"

#include <array>
#include <string_view>

namespace cartonic {

struct ProductPreset {
    std::string_view key;  // the command line's name: lower case, no spaces
    std::string_view name; // as the window shows it
    BoxSides millimetres;
    bool book; // pages show on the top, the bottom and the side away from the spine
};

inline constexpr std::array<ProductPreset, 9> kProductPresets = {{
    {"dvd", "DVD case", {135.0, 190.0, 14.0}, false},
    {"blu-ray", "Blu-ray case", {128.5, 148.0, 12.0}, false},
    {"cd", "CD jewel case", {142.0, 125.0, 10.4}, false},
    {"game", "Game case", {135.0, 170.0, 14.0}, false},
    {"paperback", "Paperback", {108.0, 175.0, 25.0}, true},
    {"hardcover", "Hardcover", {160.0, 240.0, 35.0}, true},
    {"software", "Software box", {190.0, 235.0, 50.0}, false},
    {"cereal", "Cereal box", {195.0, 300.0, 70.0}, false},
    {"smartphone", "Smartphone box", {85.0, 165.0, 45.0}, false},
}};

// The faces a book shows its pages on: the top, the bottom and, with the spine on the viewer's
// left as a book lies facing its reader, the side on the right (the Left face).
inline constexpr std::array<Face, 3> kPageFaces = {Top, Bottom, Left};

// The preset named key as kProductPresets spells it, or null.
inline const ProductPreset* findProductPreset(std::string_view key) {
    for (const ProductPreset& preset : kProductPresets) {
        if (preset.key == key) {
            return &preset;
        }
    }
    return nullptr;
}

} // namespace cartonic
