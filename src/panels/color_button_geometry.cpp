#include "panels/color_button_geometry.h"

namespace cartonic {

namespace {

// Distance from the content's right edge to the arrow's left point, beyond half the edge.
constexpr int kArrowInset = 4;
constexpr int kArrowWidth = 4;
constexpr int kArrowTip = 2; // the tip's x offset and its depth below the base line

// Edges as left/top inclusive, right/bottom exclusive: the arithmetic below reads naturally in
// them, and they turn into QRects only at the end.
struct Edges {
    int left, top, right, bottom;
    QRect rect() const { return QRect(left, top, right - left, bottom - top); }
};

} // namespace

ColorButtonParts colorButtonParts(const QRect& bounds, bool pressed, QSize edge) {
    const int cx = edge.width();
    const int cy = edge.height();
    Edges r{bounds.left() + kButtonFaceInset, bounds.top() + kButtonFaceInset,
            bounds.left() + bounds.width() - kButtonFaceInset,
            bounds.top() + bounds.height() - kButtonFaceInset};

    ColorButtonParts parts;
    if (pressed) {
        r = {r.left + 1, r.top + 1, r.right + 1, r.bottom + 1};
    }
    parts.focusRect = Edges{r.left, r.top, r.right - 1, r.bottom}.rect();

    r = {r.left + cx, r.top + cy, r.right - cx, r.bottom - cy};

    const int x0 = r.right - cx / 2 - kArrowInset;
    const int middle = (r.top + r.bottom) / 2;
    parts.arrow = {QPoint(x0, middle - 1), QPoint(x0 + kArrowWidth, middle - 1),
                   QPoint(x0 + kArrowTip, middle - 1 + kArrowTip)};

    r.right = x0 - cx / 2;
    // An etched edge is two lines: dark outside-in, then light on the very edge.
    parts.separatorX = r.right - 2;
    parts.separatorTop = r.top;
    parts.separatorBottom = r.bottom;

    r.right -= 2 * cx + 1;
    parts.swatch = r.right > r.left && r.bottom > r.top ? r.rect() : QRect();
    return parts;
}

} // namespace cartonic
