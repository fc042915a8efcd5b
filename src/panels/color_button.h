#pragma once

// The colour button of the settings panels: a push button drawing its colour as a framed swatch
// with a drop-down arrow. A click opens the ColorPicker popup right below it and reports what
// happened through its signals; owners normally act on colorChanged only.

#include "panels/color.h"
#include "panels/color_chooser.h"

#include <QAbstractButton>
#include <QString>

namespace cartonic {

class ColorButton : public QAbstractButton {
    Q_OBJECT

public:
    explicit ColorButton(QWidget* parent = nullptr);

    // The colour shown and reported: 0x00BBGGRR, or kAutomaticColor to show defaultColor().
    Color currentColor() const { return currentColor_; }
    // Sets the colour without a signal, and repaints.
    void setColor(Color color);

    // Drawn in place of kAutomaticColor: the toolkit's workspace-like shade, read at construction.
    Color defaultColor() const { return defaultColor_; }

    // Label of the popup's top row, which picks kAutomaticColor; empty removes the row.
    QString defaultText() const { return defaultText_; }
    void setDefaultText(const QString& text) { defaultText_ = text; }
    // Label of the popup's bottom row, which opens the full chooser; empty removes the row.
    QString customText() const { return customText_; }
    void setCustomText(const QString& text) { customText_ = text; }

    // True while this button's popup is open.
    bool popupActive() const { return popupActive_; }

    // Replaces the full colour chooser behind "More Colors..." (tests use this).
    void setColorChooser(ColorChooser chooser) { chooser_ = std::move(chooser); }

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

signals:
    // One click sends, in this order: popupOpening; then, after a choice, colorChanged (only if
    // the colour differs from before the click), popupClosed, pickAccepted; or, without a choice,
    // popupClosed, pickCancelled. Each is sent synchronously with `color` as currentColor() then;
    // a receiver may destroy the button, and nothing more is sent after that.
    void popupOpening(cartonic::Color color);
    void colorChanged(cartonic::Color color);
    void popupClosed(cartonic::Color color);
    void pickAccepted(cartonic::Color color);
    void pickCancelled(cartonic::Color color);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void runClick();
    // Runs the popup (and the chooser after "More Colors..."); the new colour, or nullopt when
    // the user made no choice. May return after this button was destroyed: check first.
    std::optional<Color> askForColor();
    Color shownColor() const;

    Color currentColor_ = kAutomaticColor;
    Color defaultColor_;
    QString defaultText_;
    QString customText_;
    bool popupActive_ = false;
    ColorChooser chooser_;
};

} // namespace cartonic
