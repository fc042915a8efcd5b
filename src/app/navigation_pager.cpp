#include "app/navigation_pager.h"

#include <QAbstractButton>
#include <QEvent>
#include <QPainter>
#include <QStyle>
#include <QStyleOption>

#include <algorithm>

namespace cartonic {

namespace {

// A push button face with a scroll arrow on it, drawn pushed in while held down. It never takes
// the focus, so scrolling leaves the keyboard with the list.
class ScrollArrowButton : public QAbstractButton {
public:
    ScrollArrowButton(QStyle::PrimitiveElement arrow, QWidget* parent)
        : QAbstractButton(parent), arrow_(arrow) {
        setFocusPolicy(Qt::NoFocus);
    }

    QSize sizeHint() const override {
        const int extent = style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, this);
        return QSize(extent, extent);
    }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        QStyleOptionButton face;
        face.initFrom(this);
        face.state &= ~QStyle::State_HasFocus;
        face.state |= isDown() ? QStyle::State_Sunken : QStyle::State_Raised;
        style()->drawPrimitive(QStyle::PE_PanelButtonBevel, &face, &painter, this);

        QStyleOption arrow;
        arrow.initFrom(this);
        arrow.state &= ~QStyle::State_HasFocus;
        const int shift = isDown() ? 1 : 0;
        arrow.rect = rect().adjusted(2 + shift, 2 + shift, -2 + shift, -2 + shift);
        style()->drawPrimitive(arrow_, &arrow, &painter, this);
    }

private:
    QStyle::PrimitiveElement arrow_;
};

} // namespace

NavigationPager::NavigationPager(QWidget* parent) : QWidget(parent) {
    setObjectName("WTL_OutlookPager");
    upButton_ = new ScrollArrowButton(QStyle::PE_IndicatorArrowUp, this);
    upButton_->setObjectName("up");
    upButton_->setAccessibleName(tr("Scroll up"));
    downButton_ = new ScrollArrowButton(QStyle::PE_IndicatorArrowDown, this);
    downButton_->setObjectName("down");
    downButton_->setAccessibleName(tr("Scroll down"));
    upButton_->hide();
    downButton_->hide();
    connect(upButton_, &QAbstractButton::clicked, this, [this] { scrollBy(-kScrollStep); });
    connect(downButton_, &QAbstractButton::clicked, this, [this] { scrollBy(kScrollStep); });
}

void NavigationPager::setChild(QWidget* child) {
    child_ = child;
    if (child_) {
        child_->setParent(this);
        child_->show();
    }
    scrollOffset_ = 0;
    relayout();
    update();
}

void NavigationPager::scrollBy(int delta) {
    scrollOffset_ += delta;
    relayout();
    update();
    if (child_) {
        child_->setFocus(Qt::OtherFocusReason);
    }
}

void NavigationPager::relayout() {
    if (!child_) {
        return;
    }
    const int full = child_->sizeHint().height();
    const int visible = height();
    if (visible + scrollOffset_ >= full) {
        scrollOffset_ = full - visible;
    }
    scrollOffset_ = std::max(0, scrollOffset_);
    // Never shorter than the visible area, so the child's own background fills the pager.
    child_->setGeometry(0, -scrollOffset_, width(), std::max(full, visible + scrollOffset_));

    const QSize button = upButton_->sizeHint();
    const int x = width() - button.width() - kButtonMargin;
    upButton_->setGeometry(x, kButtonMargin, button.width(), button.height());
    downButton_->setGeometry(x, visible - button.height() - kButtonMargin, button.width(),
                             button.height());
    upButton_->setVisible(visible >= kMinButtonHeight && scrollOffset_ > 0);
    downButton_->setVisible(visible >= kMinButtonHeight && visible + scrollOffset_ < full);
    upButton_->raise();
    downButton_->raise();
}

bool NavigationPager::event(QEvent* event) {
    // The child asks for a new layout when its full height changes (items added, font changed).
    if (event->type() == QEvent::LayoutRequest) {
        relayout();
    }
    return QWidget::event(event);
}

void NavigationPager::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    relayout();
}

} // namespace cartonic
