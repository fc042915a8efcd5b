#pragma once

// Dialog layouts are given in dialog units: a quarter of the font's average character width
// horizontally and an eighth of its height vertically. This maps them to pixels with the
// toolkit's font metrics, so the layouts scale with the font.

#include <QFontMetrics>
#include <QRect>
#include <QWidget>

#include <cmath>

namespace cartonic {

class DialogUnits {
public:
    explicit DialogUnits(const QFontMetrics& metrics)
        : baseX_(metrics.horizontalAdvance(
                     QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz")) /
                 52.0),
          baseY_(metrics.height()) {}
    explicit DialogUnits(const QWidget& widget) : DialogUnits(widget.fontMetrics()) {}

    int x(int units) const { return static_cast<int>(std::lround(units * baseX_ / 4.0)); }
    int y(int units) const { return static_cast<int>(std::lround(units * baseY_ / 8.0)); }
    QRect rect(int left, int top, int width, int height) const {
        return {x(left), y(top), x(width), y(height)};
    }

private:
    double baseX_;
    double baseY_;
};

} // namespace cartonic
