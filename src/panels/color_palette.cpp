#include "panels/color_palette.h"

namespace cartonic {

int paletteIndexOf(Color c) {
    for (int i = 0; i < kPaletteSize; ++i) {
        if (kPalette[i].color == c) {
            return i;
        }
    }
    return -1;
}

} // namespace cartonic
