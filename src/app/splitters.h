#pragma once

// The client area's two splitters. The outer one has a fixed bar and a right pane (the settings)
// that keeps its width when the window is resized. The inner one keeps its bar at the same
// proportion of its width on every resize and centres the bar on a double-click.

#include <QSplitter>

namespace cartonic {

class FixedRightSplitter : public QSplitter {
    Q_OBJECT
public:
    explicit FixedRightSplitter(QWidget* parent = nullptr);

    // Puts the bar `width` pixels from the right edge (the right pane is that minus the bar),
    // within the panes' minimums; kept on every resize.
    void setRightPaneWidth(int width);
    int rightPaneWidth() const { return rightWidth_; }

    static constexpr int kMinPaneWidth = 100;

protected:
    void resizeEvent(QResizeEvent* event) override;
    QSplitterHandle* createHandle() override;

private:
    void applyRightWidth();
    int rightWidth_ = 0;
};

class ProportionalSplitter : public QSplitter {
    Q_OBJECT
public:
    explicit ProportionalSplitter(QWidget* parent = nullptr);

    // Bar position as a proportion of the width, in ten-thousandths.
    void setProportion(int tenThousandths);
    int proportion() const { return proportion_; }
    // Puts the bar at `x` pixels from the left and remembers it as a proportion.
    void setBarPosition(int x);
    int barPosition() const;
    void centreBar();

    static constexpr int kMinPaneWidth = 80;
    static constexpr int kProportionScale = 10000;

protected:
    void resizeEvent(QResizeEvent* event) override;
    QSplitterHandle* createHandle() override;

private:
    void applyProportion();
    int proportion_ = 0;
    bool applying_ = false;
};

// Clamps a bar position so both panes keep `minimum` pixels; the left pane wins when the
// splitter is too narrow for both.
int clampBar(int position, int total, int barWidth, int minimum);

} // namespace cartonic
