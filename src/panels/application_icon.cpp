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
    QIcon icon;
    for (int side : sides) {
        QPixmap pixmap(side, side);
        pixmap.fill(Qt::transparent);
        QPainter painter(&pixmap);
        renderer.render(&painter);
        painter.end();
        icon.addPixmap(pixmap);
    }
    return icon;
}

} // namespace cartonic
