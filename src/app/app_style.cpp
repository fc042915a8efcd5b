#include "app/app_style.h"

#include "app/toolbar_icons.h"
#include "panels/application_icon.h"

#include <QApplication>
#include <QPainter>
#include <QPainterPath>
#include <QStyleOption>
#include <QWidget>

namespace cartonic {

namespace {

using Picture = AppStyle::Picture;

// Drawn on a 16-unit square, at the small and the large icon size so it stays sharp when scaled.
constexpr int kDesignSize = 16;

// Two chevrons pointing along the bar, where the buttons that do not fit are; or a cross.
void draw(QPainter& p, Picture picture) {
    if (picture == Picture::Close) {
        p.setPen(QPen(kIconInk, 1.6, Qt::SolidLine, Qt::RoundCap));
        p.drawLine(QPointF(4.5, 4.5), QPointF(11.5, 11.5));
        p.drawLine(QPointF(11.5, 4.5), QPointF(4.5, 11.5));
        return;
    }
    QPainterPath chevrons;
    for (double at : {5.0, 9.0}) {
        chevrons.moveTo(at, 4.5);
        chevrons.lineTo(at + 3.0, 8.0);
        chevrons.lineTo(at, 11.5);
    }
    if (picture == Picture::OverflowDown) {
        p.setTransform(QTransform(0, 1, 1, 0, 0, 0), true); // mirrored through the diagonal
    } else if (picture == Picture::OverflowLeft) {
        p.setTransform(QTransform(-1, 0, 0, 1, kDesignSize, 0), true);
    }
    p.setPen(QPen(kIconInk, 1.4, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.drawPath(chevrons);
}

} // namespace

QIcon AppStyle::standardIcon(StandardPixmap standard, const QStyleOption* option,
                             const QWidget* widget) const {
    const bool rightToLeft =
        (widget && widget->isRightToLeft()) || (option && option->direction == Qt::RightToLeft);
    Picture picture = Picture::Close;
    switch (standard) {
    case SP_ToolBarHorizontalExtensionButton:
        picture = rightToLeft ? Picture::OverflowLeft : Picture::OverflowRight;
        break;
    case SP_ToolBarVerticalExtensionButton:
        picture = Picture::OverflowDown;
        break;
    case SP_TitleBarCloseButton:
    case SP_DockWidgetCloseButton:
        picture = Picture::Close;
        break;
    default:
        return QProxyStyle::standardIcon(standard, option, widget);
    }
    QIcon& icon = drawn_[static_cast<std::size_t>(picture)];
    if (icon.isNull()) {
        icon = paintedIcon({kSmallIconSide, kLargeIconSide}, [picture](QPainter& p, int side) {
            p.setRenderHint(QPainter::Antialiasing);
            p.scale(double(side) / kDesignSize, double(side) / kDesignSize);
            draw(p, picture);
        });
    }
    return icon;
}

void installAppStyle() {
    QApplication::setStyle(new AppStyle);
}

} // namespace cartonic
