#include "app/toolbar_icons.h"

#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

#include <cmath>

namespace cartonic {

namespace {

const QColor kPaper(255, 255, 255);
const QColor kFolder(230, 190, 70);
const QColor kDisk(60, 90, 170);
const QColor kBoxSide(120, 160, 210);
const QColor kArrow(200, 40, 40);
const QColor kLight(250, 200, 30);

void arrowHead(QPainter& p, QPointF tip, QPointF from) {
    const QPointF d = tip - from;
    const double len = std::hypot(d.x(), d.y());
    const QPointF u = d / len;
    const QPointF n(-u.y(), u.x());
    QPainterPath head;
    head.moveTo(tip);
    head.lineTo(tip - u * 3.5 + n * 2.5);
    head.lineTo(tip - u * 3.5 - n * 2.5);
    head.closeSubpath();
    p.fillPath(head, p.pen().color());
}

void doubleArrow(QPainter& p, QPointF a, QPointF b) {
    p.setPen(QPen(kArrow, 1.5));
    p.drawLine(a, b);
    arrowHead(p, a, b);
    arrowHead(p, b, a);
}

// A small box in a three-quarter view, the frame of the box-adjusting pictures.
void smallBox(QPainter& p) {
    p.setPen(QPen(kIconInk, 1));
    p.setBrush(kBoxSide);
    p.drawPolygon(QPolygonF({{4, 5}, {10, 5}, {10, 13}, {4, 13}}));
    p.setBrush(kBoxSide.lighter(130));
    p.drawPolygon(QPolygonF({{4, 5}, {7, 2}, {13, 2}, {10, 5}}));
    p.setBrush(kBoxSide.darker(120));
    p.drawPolygon(QPolygonF({{10, 5}, {13, 2}, {13, 10}, {10, 13}}));
}

} // namespace

void drawFileNew(QPainter& p) {
    p.setPen(kIconInk);
    p.setBrush(kPaper);
    p.drawPolygon(QPolygonF({{3, 1}, {10, 1}, {13, 4}, {13, 14}, {3, 14}}));
    p.drawPolyline(QPolygonF({{10, 1}, {10, 4}, {13, 4}}));
}

void drawFileOpen(QPainter& p) {
    p.setPen(kIconInk);
    p.setBrush(kFolder.darker(115));
    p.drawPolygon(QPolygonF({{1, 3}, {6, 3}, {7, 5}, {13, 5}, {13, 13}, {1, 13}}));
    p.setBrush(kFolder);
    p.drawPolygon(QPolygonF({{1, 13}, {4, 7}, {15, 7}, {13, 13}}));
}

void drawFileSave(QPainter& p) {
    p.setPen(kIconInk);
    p.setBrush(kDisk);
    p.drawRect(QRectF(1.5, 1.5, 12, 12));
    p.setBrush(kPaper);
    p.drawRect(QRectF(4, 1.5, 7, 5));
    p.setBrush(kIconInk);
    p.drawRect(QRectF(4.5, 9, 6, 4.5));
}

void drawEditCopy(QPainter& p) {
    p.setPen(kIconInk);
    p.setBrush(kPaper);
    p.drawRect(QRectF(1.5, 1.5, 8, 9));
    p.drawRect(QRectF(5.5, 4.5, 8, 9));
}

void drawModeRotateCamera(QPainter& p) {
    p.setPen(QPen(kIconInk, 1));
    p.setBrush(kIconInk);
    p.drawRect(QRectF(4, 6, 7, 5));
    p.drawPolygon(QPolygonF({{11, 7.5}, {14, 6}, {14, 11}, {11, 9.5}}));
    p.setPen(QPen(kArrow, 1.5));
    p.setBrush(Qt::NoBrush);
    p.drawArc(QRectF(1, 1, 14, 12), 30 * 16, 120 * 16);
    arrowHead(p, {2.8, 4.6}, {4.5, 2.5});
}

void drawModeAdjustWidth(QPainter& p) {
    smallBox(p);
    doubleArrow(p, {1, 14}, {15, 14});
}

void drawModeAdjustDepth(QPainter& p) {
    smallBox(p);
    doubleArrow(p, {10.5, 14}, {15, 9.5});
}

void drawModeAdjustHeight(QPainter& p) {
    smallBox(p);
    doubleArrow(p, {2, 1}, {2, 14});
}

void drawModeRotateLight(QPainter& p) {
    p.setPen(QPen(kIconInk, 1));
    p.setBrush(kLight);
    p.drawEllipse(QPointF(8, 6), 4, 4);
    p.setBrush(kIconInk.lighter(200));
    p.drawRect(QRectF(6, 10, 4, 3));
    p.setPen(QPen(kArrow, 1.5));
    p.drawLine(QPointF(1, 14), QPointF(15, 14));
    arrowHead(p, {15, 14}, {1, 14});
}

void drawChangeSettings(QPainter& p) {
    p.setPen(QPen(kIconInk, 1));
    p.setBrush(QColor(150, 150, 160));
    for (int i = 0; i < 8; ++i) {
        p.save();
        p.translate(8, 7.5);
        p.rotate(45.0 * i);
        p.drawRect(QRectF(-1.5, -7, 3, 3));
        p.restore();
    }
    p.drawEllipse(QPointF(8, 7.5), 4.5, 4.5);
    p.setBrush(kPaper);
    p.drawEllipse(QPointF(8, 7.5), 1.8, 1.8);
}

void drawAppAbout(QPainter& p) {
    p.setPen(kIconInk);
    p.setBrush(QColor(70, 120, 200));
    p.drawEllipse(QRectF(1, 0.5, 14, 14));
    // The question mark is drawn, not set in a font: no font need be loaded for it, and it
    // looks the same whatever fonts the system has.
    QPainterPath hook;
    hook.arcMoveTo(QRectF(5.4, 2.6, 5.2, 5.0), 160);
    hook.arcTo(QRectF(5.4, 2.6, 5.2, 5.0), 160, -230);
    hook.lineTo(8.0, 9.0);
    p.setPen(QPen(kPaper, 1.8, Qt::SolidLine, Qt::FlatCap, Qt::RoundJoin));
    p.setBrush(Qt::NoBrush);
    p.drawPath(hook);
    p.setPen(Qt::NoPen);
    p.setBrush(kPaper);
    p.drawEllipse(QPointF(8.0, 11.6), 1.1, 1.1);
}

QIcon toolbarIcon(IconPainter paint) {
    // A checkable menu item with an icon shows the icon sunken in place of its tick, so a command
    // with no picture gets no icon at all, not a blank one.
    if (paint == nullptr) {
        return {};
    }
    QPixmap pixmap(kToolbarIconWidth, kToolbarIconHeight);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    paint(painter);
    painter.end();
    return QIcon(pixmap);
}

} // namespace cartonic
