#pragma once

// The colour picker popup: an optional "Automatic" row, the 40 named swatches and an optional
// "More Colors..." row in a borderless popup that holds the pointer and keyboard until the user
// picks or cancels. A ColorButton opens it for one click; it does not open the full chooser
// itself, it only reports that "More Colors..." was picked.

#include "panels/color.h"
#include "panels/color_picker_layout.h"

#include <QEventLoop>
#include <QString>
#include <QWidget>

namespace cartonic {

class ColorPicker : public QWidget {
    Q_OBJECT

public:
    struct Result {
        bool madeChoice = false;
        int hotIndex = kNoCell; // kMoreColorsCell: the caller asks the full chooser
        Color pickerColor = 0;  // the picked colour, or kAutomaticColor
    };

    // A popup for a button that now shows `current`; an empty text drops its row. Not shown yet.
    ColorPicker(Color current, const QString& defaultText, const QString& customText);

    // Shows the popup below `button` (global rectangle), kept on `screen`, and runs a nested event
    // loop until a pick or a cancel; the popup is hidden again on return. UI thread only.
    Result exec(const QRect& button, const QRect& screen);

    int hotIndex() const { return hot_; }
    int chosenIndex() const { return chosen_; }
    Color pickerColor() const { return pickerColor_; }
    const PickerLayout& pickerLayout() const { return layout_; }

protected:
    bool event(QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    void makeHot(int cell);
    void finish(bool madeChoice);
    void drawCell(QPainter& painter, int cell) const;

    Color currentColor_;
    QString defaultText_;
    QString customText_;
    PickerLayout layout_;
    int hot_ = kNoCell;
    int chosen_ = kNoCell;
    Color pickerColor_;
    bool madeChoice_ = false;
    QEventLoop loop_;
};

} // namespace cartonic
