#include "app/pane_container.h"

#include <QPainter>
#include <QStyle>
#include <QStyleOptionFrame>
#include <QToolButton>
#include <qdrawutil.h>

#include <algorithm>

namespace cartonic {

namespace {
constexpr int kMinHeaderHeight = 22;
constexpr int kHeaderPadding = 10;
constexpr int kTitleIndent = 4;
constexpr int kCloseWidth = 20;
constexpr int kCloseHeight = 18;
constexpr int kCloseFromRight = 23;
constexpr int kCloseFromTop = 3;
} // namespace

PaneContainer::PaneContainer(QWidget* parent) : QWidget(parent) {
    setObjectName("WTL_PaneContainer");
    closeButton_ = new QToolButton(this);
    closeButton_->setAutoRaise(true);
    closeButton_->setIcon(style()->standardIcon(QStyle::SP_TitleBarCloseButton));
    closeButton_->setFocusPolicy(Qt::NoFocus);
    connect(closeButton_, &QToolButton::clicked, this, &PaneContainer::closeRequested);
}

void PaneContainer::setClient(QWidget* client) {
    client_ = client;
    if (client_) {
        client_->setParent(this);
        client_->show();
    }
    layoutChildren();
}

void PaneContainer::setTitle(const QString& title) {
    title_ = title;
    update();
}

void PaneContainer::setCloseButtonVisible(bool visible) {
    closeButton_->setVisible(visible);
}

bool PaneContainer::closeButtonVisible() const {
    return !closeButton_->isHidden();
}

void PaneContainer::setClientEdge(bool on) {
    clientEdge_ = on;
    layoutChildren();
    update();
}

int PaneContainer::headerHeight() const {
    return std::max(kMinHeaderHeight, fontMetrics().height() + kHeaderPadding);
}

void PaneContainer::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    layoutChildren();
}

void PaneContainer::layoutChildren() {
    const int header = headerHeight();
    closeButton_->setGeometry(width() - kCloseFromRight, kCloseFromTop, kCloseWidth, kCloseHeight);
    if (client_) {
        const int edge = clientEdge_ ? kClientEdge : 0;
        client_->setGeometry(edge, header + edge, std::max(0, width() - 2 * edge),
                             std::max(0, height() - header - 2 * edge));
    }
}

void PaneContainer::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    const QRect header(0, 0, width(), headerHeight());
    if (clientEdge_) {
        qDrawWinPanel(&painter, QRect(0, header.height(), width(), height() - header.height()),
                      palette(), true);
    }
    painter.fillRect(header, palette().button());
    // Etched edge on the left, top and right: a dark line with a light one inside it.
    painter.setPen(palette().color(QPalette::Dark));
    painter.drawLine(header.topLeft(), header.topRight());
    painter.drawLine(header.topLeft(), header.bottomLeft());
    painter.drawLine(header.topRight() - QPoint(1, 0), header.bottomRight() - QPoint(1, 0));
    painter.setPen(palette().color(QPalette::Light));
    painter.drawLine(header.topLeft() + QPoint(1, 1), header.topRight() + QPoint(-2, 1));
    painter.drawLine(header.topLeft() + QPoint(1, 1), header.bottomLeft() + QPoint(1, 0));
    painter.drawLine(header.topRight(), header.bottomRight());
    if (!title_.isEmpty()) {
        const QRect text = header.adjusted(kTitleIndent, 0, -kCloseFromRight, 0);
        painter.setPen(palette().color(QPalette::ButtonText));
        painter.drawText(text, Qt::AlignVCenter | Qt::AlignLeft,
                         fontMetrics().elidedText(title_, Qt::ElideRight, text.width()));
    }
}

} // namespace cartonic
