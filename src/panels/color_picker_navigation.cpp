#include "panels/color_picker_navigation.h"

namespace cartonic {

namespace {

constexpr int kLastCell = kPaletteSize - 1;

int stepOnce(int from, int step) {
    const bool forward = step > 0;
    switch (from) {
    case kNoCell:
        return forward ? kAutomaticCell : kMoreColorsCell;
    case kAutomaticCell:
        return forward ? 0 : kMoreColorsCell;
    case kMoreColorsCell:
        return forward ? kAutomaticCell : kLastCell;
    default:
        break;
    }
    const int next = from + step;
    if (next < 0) {
        return kAutomaticCell;
    }
    if (next >= kPaletteSize) {
        return kMoreColorsCell;
    }
    return next;
}

} // namespace

int walkCell(int from, int step, bool hasTopRow, bool hasBottomRow) {
    const bool forward = step > 0;
    int cell = stepOnce(from, step);
    // With both rows absent this settles after two turns: the grid always exists.
    for (;;) {
        if (cell == kAutomaticCell && !hasTopRow) {
            cell = forward ? 0 : kMoreColorsCell;
        } else if (cell == kMoreColorsCell && !hasBottomRow) {
            cell = forward ? kAutomaticCell : kLastCell;
        } else {
            return cell;
        }
    }
}

int chosenCellFor(Color current, bool hasTopRow, bool hasBottomRow) {
    if (current == kAutomaticColor && hasTopRow) {
        return kAutomaticCell;
    }
    const int index = paletteIndexOf(current);
    if (index >= 0) {
        return index;
    }
    return hasBottomRow ? kMoreColorsCell : kNoCell;
}

Color pickerColorAfterHot(int cell, Color previous) {
    if (cell == kAutomaticCell) {
        return kAutomaticColor;
    }
    if (cell >= 0 && cell < kPaletteSize) {
        return kPalette[cell].color;
    }
    return previous;
}

} // namespace cartonic
