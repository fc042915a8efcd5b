#include "app/splitters.h"

#include <QResizeEvent>
#include <QSplitterHandle>

#include <algorithm>

namespace cartonic {

namespace {

// The outer bar cannot be dragged or double-clicked.
class InertHandle : public QSplitterHandle {
public:
    using QSplitterHandle::QSplitterHandle;

protected:
    void mousePressEvent(QMouseEvent*) override {}
    void mouseMoveEvent(QMouseEvent*) override {}
    void mouseReleaseEvent(QMouseEvent*) override {}
    void mouseDoubleClickEvent(QMouseEvent*) override {}
};

class CentringHandle : public QSplitterHandle {
public:
    CentringHandle(Qt::Orientation o, ProportionalSplitter* parent)
        : QSplitterHandle(o, parent), owner_(parent) {}

protected:
    void mouseDoubleClickEvent(QMouseEvent*) override { owner_->centreBar(); }

private:
    ProportionalSplitter* owner_;
};

} // namespace

int clampBar(int position, int total, int barWidth, int minimum) {
    const int largest = total - barWidth - minimum;
    return std::max(minimum, std::min(position, largest));
}

FixedRightSplitter::FixedRightSplitter(QWidget* parent) : QSplitter(Qt::Horizontal, parent) {
    setObjectName("WTL_SplitterWindow");
    setChildrenCollapsible(false);
    setOpaqueResize(false);
}

QSplitterHandle* FixedRightSplitter::createHandle() {
    auto* handle = new InertHandle(orientation(), this);
    handle->setCursor(Qt::ArrowCursor);
    return handle;
}

void FixedRightSplitter::setRightPaneWidth(int width) {
    rightWidth_ = width;
    applyRightWidth();
}

void FixedRightSplitter::resizeEvent(QResizeEvent* event) {
    QSplitter::resizeEvent(event);
    applyRightWidth();
}

void FixedRightSplitter::applyRightWidth() {
    if (count() < 2) {
        return;
    }
    const int total = width();
    const int bar = handleWidth();
    // The bar sits rightWidth_ pixels from the right edge; the pane beside it gets the rest.
    const int left = clampBar(total - rightWidth_, total, bar, kMinPaneWidth);
    setSizes({left, std::max(0, total - bar - left)});
}

ProportionalSplitter::ProportionalSplitter(QWidget* parent) : QSplitter(Qt::Horizontal, parent) {
    setObjectName("WTL_SplitterWindow");
    setChildrenCollapsible(false);
    setOpaqueResize(false); // a ghost bar while dragging; the panes move on release
    connect(this, &QSplitter::splitterMoved, this, [this](int pos, int) {
        if (!applying_) {
            const int span = width() - handleWidth();
            proportion_ = span > 0 ? pos * kProportionScale / span : 0;
        }
    });
}

QSplitterHandle* ProportionalSplitter::createHandle() {
    return new CentringHandle(orientation(), this);
}

void ProportionalSplitter::setProportion(int tenThousandths) {
    proportion_ = tenThousandths;
    applyProportion();
}

void ProportionalSplitter::setBarPosition(int x) {
    const int span = width() - handleWidth();
    proportion_ = span > 0 ? x * kProportionScale / span : 0;
    applyProportion();
}

int ProportionalSplitter::barPosition() const {
    return count() < 2 ? 0 : sizes().value(0);
}

void ProportionalSplitter::centreBar() {
    setBarPosition((width() - handleWidth()) / 2);
}

void ProportionalSplitter::resizeEvent(QResizeEvent* event) {
    QSplitter::resizeEvent(event);
    applyProportion();
}

void ProportionalSplitter::applyProportion() {
    if (count() < 2) {
        return;
    }
    const int total = width();
    const int bar = handleWidth();
    const int span = total - bar;
    const int left = clampBar(span * proportion_ / kProportionScale, total, bar, kMinPaneWidth);
    applying_ = true;
    setSizes({left, std::max(0, span - left)});
    applying_ = false;
}

} // namespace cartonic
