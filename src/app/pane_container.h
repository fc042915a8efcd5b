#pragma once

// A pane with a header strip (etched edge, 3D-face fill, a title that is empty here) above the one
// window it adopts, and an optional flat close button in the header.

#include <QWidget>

class QToolButton;

namespace cartonic {

class PaneContainer : public QWidget {
    Q_OBJECT
public:
    explicit PaneContainer(QWidget* parent = nullptr);

    // Makes client the window that fills the area below the header.
    void setClient(QWidget* client);
    QWidget* client() const { return client_; }

    void setTitle(const QString& title);
    void setCloseButtonVisible(bool visible);
    bool closeButtonVisible() const;
    // A sunken edge, kClientEdge pixels wide, around the adopted window.
    void setClientEdge(bool on);

    static constexpr int kClientEdge = 2;

    // max(22, font height + 10) pixels.
    int headerHeight() const;

signals:
    // The close button was clicked. The frame leaves its panes as they are.
    void closeRequested();

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void layoutChildren();

    QWidget* client_ = nullptr;
    QToolButton* closeButton_ = nullptr;
    QString title_;
    bool clientEdge_ = false;
};

} // namespace cartonic
