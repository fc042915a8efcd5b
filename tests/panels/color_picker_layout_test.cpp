#include "panels/color_button_geometry.h"
#include "panels/color_picker_layout.h"

#include <gtest/gtest.h>

namespace cartonic {
namespace {

const QSize kAutomaticText{56, 13};
const QSize kMoreText{78, 15};

TEST(ColorPickerLayout, StacksRowsAroundTheGrid) {
    const PickerLayout both = layoutPicker(kAutomaticText, kMoreText);
    // Rows are 10 higher than the taller text; the grid is wider than either text.
    EXPECT_EQ(both.topRow, QRect(2, 2, 144, 25));
    EXPECT_EQ(both.grid, QRect(2, 27, 144, 90));
    EXPECT_EQ(both.bottomRow, QRect(2, 117, 144, 25));
    EXPECT_EQ(both.windowSize, QSize(148, 144));

    const PickerLayout none = layoutPicker(std::nullopt, std::nullopt);
    EXPECT_FALSE(none.hasTopRow());
    EXPECT_FALSE(none.hasBottomRow());
    EXPECT_EQ(none.grid, QRect(2, 2, 144, 90));
    EXPECT_EQ(none.windowSize, QSize(148, 94));

    const PickerLayout bottomOnly = layoutPicker(std::nullopt, kMoreText);
    EXPECT_FALSE(bottomOnly.hasTopRow());
    EXPECT_EQ(bottomOnly.grid.top(), 2);
    EXPECT_EQ(bottomOnly.bottomRow, QRect(2, 92, 144, 25));
    EXPECT_EQ(bottomOnly.windowSize, QSize(148, 119));
}

TEST(ColorPickerLayout, WideTextWidensThePopupAndCentresTheGrid) {
    const PickerLayout wide = layoutPicker(QSize(201, 13), kMoreText);
    EXPECT_EQ(wide.topRow.width(), 211);
    EXPECT_EQ(wide.bottomRow.width(), 211);
    EXPECT_EQ(wide.grid.left(), 2 + (211 - 144) / 2); // odd slack truncates
    EXPECT_EQ(wide.windowSize.width(), 215);
}

TEST(ColorPickerLayout, CellRectsTileTheGrid) {
    const PickerLayout layout = layoutPicker(kAutomaticText, kMoreText);
    EXPECT_EQ(cellRect(layout, 0), QRect(2, 27, 18, 18));
    EXPECT_EQ(cellRect(layout, 9), QRect(20, 45, 18, 18));
    EXPECT_EQ(cellRect(layout, 39), QRect(128, 99, 18, 18));
    EXPECT_EQ(cellRect(layout, kAutomaticCell), layout.topRow);
    EXPECT_EQ(cellRect(layout, kMoreColorsCell), layout.bottomRow);
    EXPECT_TRUE(cellRect(layout, kNoCell).isEmpty());
    EXPECT_TRUE(cellRect(layout, 40).isEmpty());
    EXPECT_TRUE(cellRect(layoutPicker(std::nullopt, std::nullopt), kAutomaticCell).isEmpty());
}

TEST(ColorPickerHitTest, RightAndBottomEdgesBelongToTheNextArea) {
    const PickerLayout layout = layoutPicker(kAutomaticText, kMoreText);
    const int gx = layout.grid.left();
    const int gy = layout.grid.top();
    EXPECT_EQ(hitTest(layout, {gx, gy}), 0);
    EXPECT_EQ(hitTest(layout, {gx + 17, gy + 17}), 0);
    EXPECT_EQ(hitTest(layout, {gx + 18, gy}), 1);
    EXPECT_EQ(hitTest(layout, {gx, gy + 18}), 8);
    EXPECT_EQ(hitTest(layout, {gx + 143, gy + 89}), 39);
    // The grid's right edge is outside it; its bottom edge is the "More Colors..." row.
    EXPECT_EQ(hitTest(layout, {gx + 144, gy}), kNoCell);
    EXPECT_EQ(hitTest(layout, {gx + 10, gy + 90}), kMoreColorsCell);
    // The top row ends where the grid starts.
    EXPECT_EQ(hitTest(layout, {gx + 10, gy - 1}), kAutomaticCell);
    EXPECT_EQ(hitTest(layout, {layout.topRow.left(), layout.topRow.top()}), kAutomaticCell);
    // The 3-D edge and everything outside the popup hit nothing.
    EXPECT_EQ(hitTest(layout, {0, 0}), kNoCell);
    EXPECT_EQ(hitTest(layout, {1, 50}), kNoCell);
    EXPECT_EQ(hitTest(layout, {50, layout.bottomRow.bottom() + 1}), kNoCell);
    EXPECT_EQ(hitTest(layout, {-5, -5}), kNoCell);
    EXPECT_EQ(hitTest(layout, {500, 60}), kNoCell);
}

TEST(ColorPickerHitTest, GridMarginsOfAWidePopupHitNothing) {
    const PickerLayout wide = layoutPicker(QSize(200, 13), std::nullopt);
    EXPECT_EQ(hitTest(wide, {wide.grid.left() - 1, wide.grid.top() + 5}), kNoCell);
    EXPECT_EQ(hitTest(wide, {wide.grid.left(), wide.grid.top() + 5}), 0);
    EXPECT_EQ(hitTest(wide, {wide.topRow.right(), wide.topRow.top()}), kAutomaticCell);
}

TEST(ColorPickerScreenFit, MovesLeftThenAboveTheButton) {
    const QRect screen(0, 0, 1280, 1024);
    const QSize size(148, 146);
    const int buttonHeight = 23;

    EXPECT_EQ(fitOnScreen(QRect(QPoint(100, 200), size), screen, buttonHeight),
              QRect(QPoint(100, 200), size));
    // Exactly touching the edges still fits.
    EXPECT_EQ(fitOnScreen(QRect(QPoint(1132, 878), size), screen, buttonHeight).topLeft(),
              QPoint(1132, 878));
    EXPECT_EQ(fitOnScreen(QRect(QPoint(1200, 200), size), screen, buttonHeight).topLeft(),
              QPoint(1132, 200));
    EXPECT_EQ(fitOnScreen(QRect(QPoint(100, 900), size), screen, buttonHeight).topLeft(),
              QPoint(100, 900 - 146 - 23));
    EXPECT_EQ(fitOnScreen(QRect(QPoint(1250, 1000), size), screen, buttonHeight).topLeft(),
              QPoint(1132, 1000 - 146 - 23));
    // Wider than the screen: the left edge wins.
    EXPECT_EQ(fitOnScreen(QRect(QPoint(10, 0), size), QRect(0, 0, 100, 600), buttonHeight).x(), 0);
    // A screen that does not start at the origin.
    EXPECT_EQ(fitOnScreen(QRect(QPoint(1900, 100), size), QRect(1280, 0, 700, 500), buttonHeight)
                  .topLeft(),
              QPoint(1280 + 700 - 148, 100));
}

TEST(ColorPickerCellLook, NestsBorderFillAndContent) {
    const QRect cell(10, 20, 18, 18);
    const CellParts normal = cellParts(cell, kSwatchCellMetrics, false);
    EXPECT_EQ(normal.background, cell);
    EXPECT_TRUE(normal.border.isEmpty());
    EXPECT_EQ(normal.content, QRect(12, 22, 14, 14));

    // A swatch has no highlight border: its frame is drawn on the cell's outer pixels.
    const CellParts swatch = cellParts(cell, kSwatchCellMetrics, true);
    EXPECT_TRUE(swatch.background.isEmpty());
    EXPECT_EQ(swatch.border, cell);
    EXPECT_EQ(swatch.fill, QRect(11, 21, 16, 16));
    EXPECT_EQ(swatch.content, QRect(12, 22, 14, 14));

    const QRect row(2, 2, 144, 25);
    const CellParts text = cellParts(row, kTextRowMetrics, true);
    EXPECT_EQ(text.background, row);
    EXPECT_EQ(text.border, QRect(4, 4, 140, 21));
    EXPECT_EQ(text.fill, QRect(5, 5, 138, 19));
    EXPECT_EQ(text.content, QRect(7, 7, 134, 15));
    EXPECT_EQ(cellParts(row, kTextRowMetrics, false).content, text.content);
}

TEST(ColorPickerCellLook, ChosenFillLeansOnTheMenuColour) {
    EXPECT_EQ(chosenFillColor(rgbColor(240, 240, 240), rgbColor(48, 140, 198)),
              rgbColor(203, 220, 231));
    // 255 out of 256: the blend truncates.
    EXPECT_EQ(chosenFillColor(rgbColor(255, 255, 255), rgbColor(255, 255, 255)),
              rgbColor(254, 254, 254));
}

TEST(ColorButtonGeometry, PlacesArrowSeparatorAndSwatch) {
    const ColorButtonParts up = colorButtonParts(QRect(0, 0, 72, 23), false, QSize(2, 2));
    EXPECT_EQ(up.focusRect, QRect(2, 2, 67, 19));
    EXPECT_EQ(up.arrow[0], QPoint(63, 10));
    EXPECT_EQ(up.arrow[1], QPoint(67, 10));
    EXPECT_EQ(up.arrow[2], QPoint(65, 12));
    EXPECT_EQ(up.separatorX, 60);
    EXPECT_EQ(up.separatorTop, 4);
    EXPECT_EQ(up.separatorBottom, 19);
    EXPECT_EQ(up.swatch, QRect(4, 4, 53, 15));

    // Pushed (or with its popup open) everything moves one pixel right and down.
    const ColorButtonParts down = colorButtonParts(QRect(0, 0, 72, 23), true, QSize(2, 2));
    EXPECT_EQ(down.focusRect, up.focusRect.translated(1, 1));
    EXPECT_EQ(down.arrow[2], up.arrow[2] + QPoint(1, 1));
    EXPECT_EQ(down.separatorX, up.separatorX + 1);
    EXPECT_EQ(down.swatch, up.swatch.translated(1, 1));

    EXPECT_TRUE(colorButtonParts(QRect(0, 0, 16, 12), false, QSize(2, 2)).swatch.isEmpty());
}

} // namespace
} // namespace cartonic
