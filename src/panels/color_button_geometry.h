#pragma once

// Where a ColorButton draws its parts inside its face, free of widgets: the focus rectangle, the
// drop-down arrow, the etched separator before it and the colour swatch on the left.

#include <QPoint>
#include <QRect>
#include <QSize>

#include <array>

namespace cartonic {

// What the push-button face itself takes on every side before the content starts.
inline constexpr int kButtonFaceInset = 2;

struct ColorButtonParts {
    QRect focusRect;
    std::array<QPoint, 3> arrow; // filled triangle pointing down
    int separatorX;              // the etched line's dark column; its light one is +1
    int separatorTop;
    int separatorBottom; // exclusive
    QRect swatch;        // filled with the colour, framed black; empty when there is no room
};

// Parts of a button whose widget rectangle is `bounds`; `pressed` shifts the content by one
// pixel right and down, as a pushed face does. `edge` is the toolkit's 3-D edge thickness.
ColorButtonParts colorButtonParts(const QRect& bounds, bool pressed, QSize edge);

} // namespace cartonic
