#pragma once

// Shows a child taller than itself through its own height and scrolls it in 30-pixel steps with
// two arrow buttons near its right edge. The child's full height is its sizeHint height.

#include <QWidget>

class QAbstractButton;

namespace cartonic {

class NavigationPager : public QWidget {
    Q_OBJECT
public:
    static constexpr int kScrollStep = 30;      // pixels per button click
    static constexpr int kMinButtonHeight = 80; // client height below which no button shows
    static constexpr int kButtonMargin = 10;    // buttons' distance from right, top and bottom

    explicit NavigationPager(QWidget* parent = nullptr);

    // Makes child the scrolled window (reparented to the pager), resets the offset to 0 and lays
    // out. The pager does not own a child it is later given instead.
    void setChild(QWidget* child);
    QWidget* child() const { return child_; }

    // Pixels by which the child is moved up; always within 0 .. max(0, child height - height()).
    int scrollOffset() const { return scrollOffset_; }

    // Moves the child by delta pixels (positive scrolls down), clamps, lays out, repaints and
    // gives the keyboard focus to the child: what the arrow buttons do.
    void scrollBy(int delta);

    // Clamps the offset to the child's height, places the child and shows or hides the buttons.
    void relayout();

    QAbstractButton* upButton() const { return upButton_; }
    QAbstractButton* downButton() const { return downButton_; }

protected:
    bool event(QEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    QWidget* child_ = nullptr;
    QAbstractButton* upButton_ = nullptr;
    QAbstractButton* downButton_ = nullptr;
    int scrollOffset_ = 0;
};

} // namespace cartonic
