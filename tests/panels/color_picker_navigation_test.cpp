#include "panels/color_picker_navigation.h"

#include <gtest/gtest.h>

namespace cartonic {
namespace {

constexpr int kLast = kPaletteSize - 1;

struct Walk {
    int from;
    int step;
    int expected;
};

void expectWalks(std::initializer_list<Walk> walks, bool top, bool bottom) {
    for (const Walk& w : walks) {
        EXPECT_EQ(walkCell(w.from, w.step, top, bottom), w.expected)
            << "from " << w.from << " step " << w.step << " top " << top << " bottom " << bottom;
    }
}

TEST(ColorPickerWalk, WithBothRowsIsOneRing) {
    expectWalks(
        {
            // Nothing hot yet: forward starts at the top row, backward at the bottom row.
            {kNoCell, kStepRight, kAutomaticCell},
            {kNoCell, kStepDown, kAutomaticCell},
            {kNoCell, kStepLeft, kMoreColorsCell},
            {kNoCell, kStepUp, kMoreColorsCell},
            {kAutomaticCell, kStepRight, 0},
            {kAutomaticCell, kStepDown, 0},
            {kAutomaticCell, kStepLeft, kMoreColorsCell},
            {kAutomaticCell, kStepUp, kMoreColorsCell},
            {kMoreColorsCell, kStepRight, kAutomaticCell},
            {kMoreColorsCell, kStepDown, kAutomaticCell},
            {kMoreColorsCell, kStepLeft, kLast},
            {kMoreColorsCell, kStepUp, kLast},
            // Inside the grid, rows wrap into each other.
            {5, kStepRight, 6},
            {5, kStepLeft, 4},
            {7, kStepRight, 8},
            {8, kStepLeft, 7},
            {4, kStepDown, 12},
            {12, kStepUp, 4},
            // Off either end of the grid.
            {0, kStepLeft, kAutomaticCell},
            {3, kStepUp, kAutomaticCell},
            {7, kStepUp, kAutomaticCell},
            {kLast, kStepRight, kMoreColorsCell},
            {32, kStepDown, kMoreColorsCell},
            {kLast, kStepDown, kMoreColorsCell},
        },
        true, true);

    // Right from the last swatch goes round: "More Colors...", "Automatic", then cell 0.
    int cell = kLast;
    std::vector<int> visited;
    for (int i = 0; i < 3; ++i) {
        cell = walkCell(cell, kStepRight, true, true);
        visited.push_back(cell);
    }
    EXPECT_EQ(visited, (std::vector<int>{kMoreColorsCell, kAutomaticCell, 0}));
}

TEST(ColorPickerWalk, SkipsAnAbsentTopRow) {
    expectWalks(
        {
            {0, kStepLeft, kMoreColorsCell},
            {3, kStepUp, kMoreColorsCell},
            {kMoreColorsCell, kStepRight, 0},
            {kMoreColorsCell, kStepDown, 0},
            {kMoreColorsCell, kStepLeft, kLast},
            {kNoCell, kStepRight, 0},
            {kNoCell, kStepLeft, kMoreColorsCell},
            {kLast, kStepRight, kMoreColorsCell},
        },
        false, true);
}

TEST(ColorPickerWalk, SkipsAnAbsentBottomRow) {
    expectWalks(
        {
            {kLast, kStepRight, kAutomaticCell},
            {35, kStepDown, kAutomaticCell},
            {kAutomaticCell, kStepLeft, kLast},
            {kAutomaticCell, kStepUp, kLast},
            {kAutomaticCell, kStepRight, 0},
            {kNoCell, kStepLeft, kLast},
            {kNoCell, kStepRight, kAutomaticCell},
            {0, kStepLeft, kAutomaticCell},
        },
        true, false);
}

TEST(ColorPickerWalk, WithoutRowsStaysInTheGrid) {
    expectWalks(
        {
            {kLast, kStepRight, 0},
            {36, kStepDown, 0},
            {0, kStepLeft, kLast},
            {2, kStepUp, kLast},
            {kNoCell, kStepRight, 0},
            {kNoCell, kStepLeft, kLast},
            {20, kStepDown, 28},
        },
        false, false);
}

TEST(ColorPickerChosenCell, FollowsTheButtonColour) {
    // Automatic is shown on its own row only when that row exists.
    EXPECT_EQ(chosenCellFor(kAutomaticColor, true, true), kAutomaticCell);
    EXPECT_EQ(chosenCellFor(kAutomaticColor, false, true), kMoreColorsCell);
    EXPECT_EQ(chosenCellFor(kAutomaticColor, false, false), kNoCell);

    // Exact palette matches, black (0) included.
    EXPECT_EQ(chosenCellFor(rgbColor(0, 0, 0), true, true), 0);
    EXPECT_EQ(chosenCellFor(rgbColor(255, 0, 0), true, true), 16);
    EXPECT_EQ(chosenCellFor(rgbColor(255, 255, 255), false, false), kLast);

    // Anything else is "a custom colour".
    EXPECT_EQ(chosenCellFor(rgbColor(254, 0, 0), true, true), kMoreColorsCell);
    EXPECT_EQ(chosenCellFor(rgbColor(254, 0, 0), true, false), kNoCell);
}

TEST(ColorPickerChosenCell, HotCellSetsThePickedColour) {
    const Color before = rgbColor(1, 2, 3);
    EXPECT_EQ(pickerColorAfterHot(kAutomaticCell, before), kAutomaticColor);
    EXPECT_EQ(pickerColorAfterHot(13, before), rgbColor(0, 0, 255));
    EXPECT_EQ(pickerColorAfterHot(kMoreColorsCell, before), before);
    EXPECT_EQ(pickerColorAfterHot(kNoCell, before), before);
}

} // namespace
} // namespace cartonic
