#pragma once

// The picker's keyboard walk and cell-state rules, free of widgets. The walk treats the
// "Automatic" row, the 40 swatches and the "More Colors..." row as one ring; absent rows are
// stepped over.

#include "panels/color.h"
#include "panels/color_picker_layout.h"

namespace cartonic {

// Steps of the arrow keys: Right and Down go forward, Left and Up backward.
inline constexpr int kStepLeft = -1;
inline constexpr int kStepUp = -kGridColumns;
inline constexpr int kStepRight = 1;
inline constexpr int kStepDown = kGridColumns;

// The cell an arrow step leads to from `from` (any cell index, kNoCell included).
int walkCell(int from, int step, bool hasTopRow, bool hasBottomRow);

// The cell drawn as chosen when the popup opens for a button showing `current`.
int chosenCellFor(Color current, bool hasTopRow, bool hasBottomRow);

// The colour the popup would report after `cell` became hot, given what it held before:
// kAutomaticColor for the "Automatic" row, the swatch colour for a palette cell, otherwise
// unchanged.
Color pickerColorAfterHot(int cell, Color previous);

} // namespace cartonic
