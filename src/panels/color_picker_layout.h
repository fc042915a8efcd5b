#pragma once

// Geometry of the colour picker popup, free of widgets so it can be tested on its own: where the
// "Automatic" row, the 8 x 5 colour grid and the "More Colors..." row sit, which cell a point
// hits, how each cell's look is built from nested rectangles, and how the popup is kept on the
// screen. All values are pixels; QRects are used with their width/height meaning, so a point on
// a rectangle's right or bottom edge lies outside it.

#include "panels/color.h"
#include "panels/color_palette.h"

#include <QPoint>
#include <QRect>
#include <QSize>

#include <optional>

namespace cartonic {

// Cell indices: 0..39 are palette entries, the negative values the rows around the grid.
inline constexpr int kAutomaticCell = -3;
inline constexpr int kMoreColorsCell = -2;
inline constexpr int kNoCell = -1;

inline constexpr int kGridColumns = 8;
inline constexpr int kGridRows = 5;
static_assert(kGridColumns * kGridRows == kPaletteSize);

inline constexpr int kCellSize = 18;
inline constexpr int kGridWidth = kGridColumns * kCellSize;
inline constexpr int kGridHeight = kGridRows * kCellSize;

// The toolkit's 3-D edge thickness: the popup's outer edge and the button's inner insets.
inline constexpr QSize kEdgeSize{2, 2};

// How a cell's look is nested inside its rectangle.
struct CellMetrics {
    int margin;
    int highlightBorder;
};
inline constexpr CellMetrics kSwatchCellMetrics{2, 0};
inline constexpr CellMetrics kTextRowMetrics{3, 2};
// A text row is this much wider and higher than its text.
inline constexpr int kTextRowPadding =
    2 * (kTextRowMetrics.margin + kTextRowMetrics.highlightBorder);

struct PickerLayout {
    QRect topRow;    // "Automatic"; empty when the row is absent
    QRect grid;      // the 40 swatches
    QRect bottomRow; // "More Colors..."; empty when the row is absent
    QSize windowSize;

    bool hasTopRow() const { return !topRow.isEmpty(); }
    bool hasBottomRow() const { return !bottomRow.isEmpty(); }
};

// Lays the popup out in client coordinates from the measured sizes of its two texts (nullopt for
// an empty text, which drops its row); `edge` is the outer 3-D edge on every side.
PickerLayout layoutPicker(std::optional<QSize> defaultTextSize, std::optional<QSize> customTextSize,
                          QSize edge = kEdgeSize);

// Rectangle of a cell in client coordinates; empty for kNoCell, an absent row or an index out
// of range.
QRect cellRect(const PickerLayout& layout, int cell);

// The cell under a point in client coordinates, or kNoCell.
int hitTest(const PickerLayout& layout, QPoint point);

// Moves a popup rectangle (global coordinates) onto `screen`: left by what passes the right edge,
// then right to the screen's left edge, then, if it still passes the bottom, up by its own height
// plus `buttonHeight` so that it sits just above the button that opened it.
QRect fitOnScreen(QRect popup, const QRect& screen, int buttonHeight);

// The rectangles one cell is painted with. Empty rectangles are not painted.
struct CellParts {
    QRect background; // filled with the popup background
    QRect border;     // filled with the highlight border colour (selected look only)
    QRect fill;       // filled with the look's fill colour (selected look only)
    QRect content;    // where the text or the swatch goes
};

// Nested rectangles of a cell at `k`, in the selected look (hot or chosen) or the normal one.
CellParts cellParts(const QRect& k, CellMetrics metrics, bool selected);

// Fill of the chosen-but-not-hot cell: mostly the menu colour with a touch of the highlight.
Color chosenFillColor(Color menu, Color highlight);

} // namespace cartonic
