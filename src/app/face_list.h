#pragma once

// The owner-drawn column of the navigation bar: one large icon with its caption per item, a sunken
// frame round the selected item and a raised one round the item under the pointer. The list is as
// tall as all its items; the pager above it does the scrolling.

#include <QPixmap>
#include <QString>
#include <QWidget>

#include <vector>

namespace cartonic {

class FaceList : public QWidget {
    Q_OBJECT
public:
    static constexpr int kIconSize = 64; // pixels, both sides of every item image

    explicit FaceList(QWidget* parent = nullptr);

    // Appends an item. image is drawn at kIconSize x kIconSize device-independent pixels.
    void addItem(const QString& text, const QPixmap& image);
    int count() const { return static_cast<int>(items_.size()); }
    QString itemText(int index) const;
    QPixmap itemImage(int index) const;

    // Selected index, -1 for none. setCurrentRow sends nothing: it is how the owner shows a
    // selection that is already in effect.
    int currentRow() const { return currentRow_; }
    void setCurrentRow(int index);

    // Index of the item lit under the pointer; -1 while the pointer is elsewhere.
    int hotItem() const { return hotItem_; }

    // Pixels: icon height + 2 x vertical inset + the caption's height wrapped 100 pixels wide + 8.
    int itemHeight(int index) const;
    // The item's rectangle in list coordinates: the full width, items stacked from the top.
    QRect itemRect(int index) const;
    // The item whose rectangle and whose central band 100 pixels wide contain pos, or -1.
    int itemAtHotSpot(QPoint pos) const;
    // Sum of all item heights: what the list needs to show every item.
    int fullHeight() const;

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

signals:
    // A click on an item or a selection key chose the item at index.
    void itemChosen(int index);
    // A picture file was dropped on the item at index.
    void pictureDropped(int index, const QString& path);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void changeEvent(QEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dragLeaveEvent(QDragLeaveEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    struct Item {
        QString text;
        QPixmap image;
        int height = 0;
    };

    int measureItem(const Item& item) const;
    void remeasure();
    void drawItem(QPainter& painter, int index) const;
    void setHotItem(int index);
    void choose(int index);
    void updateItem(int index);
    // The item a dragged picture would land on at pos (lit as under the pointer), or -1.
    int trackDrop(const QDropEvent& event);

    std::vector<Item> items_;
    int currentRow_ = -1;
    int hotItem_ = -1;
};

} // namespace cartonic
