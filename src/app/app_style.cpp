#include "app/app_style.h"

#include <QApplication>
#include <QPainter>
#include <QPainterPath>
#include <QPixmap>
#include <QStyleOption>
#include <QWidget>

#include <functional>

namespace cartonic {

namespace {

const QColor kInk(40, 40, 40);
// Drawn on a 16-unit square, at each of these sizes, so the icon stays sharp when scaled.
constexpr int kDesignSize = 16;
constexpr int kIconSizes[] = {16, 32};

QIcon drawnIcon(const std::function<void(QPainter&)>& draw) {
    QIcon icon;
    for (int size : kIconSizes) {
        QPixmap pixmap(size, size);
        pixmap.fill(Qt::transparent);
        QPainter painter(&pixmap);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.scale(double(size) / kDesignSize, double(size) / kDesignSize);
        draw(painter);
        painter.end();
        icon.addPixmap(pixmap);
    }
    return icon;
}

enum class Pointing { Right, Left, Down };

// Two chevrons pointing along the bar: where the buttons that do not fit are.
void drawOverflowArrows(QPainter& p, Pointing pointing) {
    QPainterPath chevrons;
    for (double at : {5.0, 9.0}) {
        chevrons.moveTo(at, 4.5);
        chevrons.lineTo(at + 3.0, 8.0);
        chevrons.lineTo(at, 11.5);
    }
    if (pointing == Pointing::Down) {
        p.setTransform(QTransform(0, 1, 1, 0, 0, 0), true); // mirrored through the diagonal
    } else if (pointing == Pointing::Left) {
        p.setTransform(QTransform(-1, 0, 0, 1, kDesignSize, 0), true);
    }
    p.setPen(QPen(kInk, 1.4, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.drawPath(chevrons);
}

void drawCross(QPainter& p) {
    p.setPen(QPen(kInk, 1.6, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(4.5, 4.5), QPointF(11.5, 11.5));
    p.drawLine(QPointF(11.5, 4.5), QPointF(4.5, 11.5));
}

} // namespace

AppStyle::AppStyle() = default;

QIcon AppStyle::standardIcon(StandardPixmap picture, const QStyleOption* option,
                             const QWidget* widget) const {
    const auto drawn = [](QIcon& icon, const std::function<void(QPainter&)>& draw) {
        if (icon.isNull()) {
            icon = drawnIcon(draw);
        }
        return icon;
    };
    const auto arrows = [](Pointing pointing) {
        return [pointing](QPainter& p) {
            drawOverflowArrows(p, pointing);
        };
    };
    const bool rightToLeft =
        (widget && widget->isRightToLeft()) || (option && option->direction == Qt::RightToLeft);
    switch (picture) {
    case SP_ToolBarHorizontalExtensionButton:
        return rightToLeft ? drawn(overflowLeft_, arrows(Pointing::Left))
                           : drawn(overflowRight_, arrows(Pointing::Right));
    case SP_ToolBarVerticalExtensionButton:
        return drawn(overflowDown_, arrows(Pointing::Down));
    case SP_TitleBarCloseButton:
    case SP_DockWidgetCloseButton:
        return drawn(close_, drawCross);
    default:
        return QProxyStyle::standardIcon(picture, option, widget);
    }
}

void installAppStyle() {
    QApplication::setStyle(new AppStyle);
}

} // namespace cartonic
