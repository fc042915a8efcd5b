#include "panels/application_icon.h"

#include <QPainter>
#include <QPixmap>
#include <QSvgRenderer>

namespace cartonic {

QIcon applicationIcon(std::initializer_list<int> sides) {
    QSvgRenderer renderer(QStringLiteral(":/icons/cartonic.svg"));
    if (!renderer.isValid()) {
        return QIcon();
    }
    return paintedIcon(sides, [&renderer](QPainter& painter, int) { renderer.render(&painter); });
}

QIcon paintedIcon(std::initializer_list<int> sides,
                  const std::function<void(QPainter& painter, int side)>& paint) {
    QIcon icon;
    for (int side : sides) {
        QPixmap pixmap(side, side);
        pixmap.fill(Qt::transparent);
        QPainter painter(&pixmap);
        paint(painter, side);
        painter.end();
        icon.addPixmap(pixmap);
    }
    return icon;
}

} // namespace cartonic
