#include "panels/color_picker_layout.h"

#include <algorithm>

namespace cartonic {

namespace {

// Weights of the chosen fill, out of 256.
constexpr int kChosenMenuWeight = 207;
constexpr int kChosenHighlightWeight = 48;
constexpr int kChosenWeightShift = 8;

} // namespace

PickerLayout layoutPicker(std::optional<QSize> defaultTextSize, std::optional<QSize> customTextSize,
                          QSize edge) {
    int textWidth = 0;
    int textHeight = 0;
    for (const auto& size : {defaultTextSize, customTextSize}) {
        if (size) {
            textWidth = std::max(textWidth, size->width() + kTextRowPadding);
            textHeight = std::max(textHeight, size->height() + kTextRowPadding);
        }
    }
    const int width = std::max(textWidth, kGridWidth);

    PickerLayout layout;
    int y = 0;
    if (defaultTextSize) {
        layout.topRow = QRect(0, y, width, textHeight);
        y += textHeight;
    }
    layout.grid = QRect((width - kGridWidth) / 2, y, kGridWidth, kGridHeight);
    y += kGridHeight;
    if (customTextSize) {
        layout.bottomRow = QRect(0, y, width, textHeight);
        y += textHeight;
    }

    const QPoint offset(edge.width(), edge.height());
    layout.topRow.translate(offset);
    layout.grid.translate(offset);
    layout.bottomRow.translate(offset);
    layout.windowSize = QSize(width + 2 * edge.width(), y + 2 * edge.height());
    return layout;
}

QRect cellRect(const PickerLayout& layout, int cell) {
    if (cell == kAutomaticCell) {
        return layout.topRow;
    }
    if (cell == kMoreColorsCell) {
        return layout.bottomRow;
    }
    if (cell < 0 || cell >= kPaletteSize) {
        return {};
    }
    const int row = cell / kGridColumns;
    const int column = cell % kGridColumns;
    return QRect(layout.grid.left() + column * kCellSize, layout.grid.top() + row * kCellSize,
                 kCellSize, kCellSize);
}

int hitTest(const PickerLayout& layout, QPoint point) {
    if (layout.bottomRow.contains(point)) {
        return kMoreColorsCell;
    }
    if (layout.topRow.contains(point)) {
        return kAutomaticCell;
    }
    if (!layout.grid.contains(point)) {
        return kNoCell;
    }
    const int row = (point.y() - layout.grid.top()) / kCellSize;
    const int column = (point.x() - layout.grid.left()) / kCellSize;
    const int index = row * kGridColumns + column;
    if (row < kGridRows && column < kGridColumns && index < kPaletteSize) {
        return index;
    }
    return kNoCell;
}

QRect fitOnScreen(QRect popup, const QRect& screen, int buttonHeight) {
    const int screenRight = screen.x() + screen.width();
    const int screenBottom = screen.y() + screen.height();
    const int popupRight = popup.x() + popup.width();
    if (popupRight > screenRight) {
        popup.translate(screenRight - popupRight, 0);
    }
    if (popup.x() < screen.x()) {
        popup.moveLeft(screen.x());
    }
    if (popup.y() + popup.height() > screenBottom) {
        popup.translate(0, -(popup.height() + buttonHeight));
    }
    return popup;
}

CellParts cellParts(const QRect& k, CellMetrics metrics, bool selected) {
    CellParts parts;
    if (!selected) {
        const int inset = metrics.margin + metrics.highlightBorder;
        parts.background = k;
        parts.content = k.adjusted(inset, inset, -inset, -inset);
        return parts;
    }
    QRect r = k;
    if (metrics.highlightBorder > 0) {
        parts.background = r;
        r.adjust(metrics.highlightBorder, metrics.highlightBorder, -metrics.highlightBorder,
                 -metrics.highlightBorder);
    }
    parts.border = r;
    r.adjust(1, 1, -1, -1);
    parts.fill = r;
    const int rest = metrics.margin - 1;
    parts.content = r.adjusted(rest, rest, -rest, -rest);
    return parts;
}

Color chosenFillColor(Color menu, Color highlight) {
    const auto blend = [](int m, int h) {
        return static_cast<std::uint8_t>((kChosenMenuWeight * m + kChosenHighlightWeight * h) >>
                                         kChosenWeightShift);
    };
    return rgbColor(blend(colorRed(menu), colorRed(highlight)),
                    blend(colorGreen(menu), colorGreen(highlight)),
                    blend(colorBlue(menu), colorBlue(highlight)));
}

} // namespace cartonic
