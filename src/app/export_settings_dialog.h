#pragma once

// Asks for the pixel size of an exported picture, and how it is drawn. Each side is 1 to 2047
// pixels; an empty, zero or too large entry keeps the size the dialog started with (the view's,
// or the last picture's) for that side, and fallbackNote says so. Below the size: smooth edges,
// and a transparent background, which a PNG picture can have and a JPEG cannot.

#include "model/limits.h"

#include <QDialog>

class QCheckBox;
class QLineEdit;

namespace cartonic {

inline constexpr int kExportWidthEdit = 1020;
inline constexpr int kExportHeightEdit = 1021;

// The rule for one edit: its leading decimal digits (none give 0) when the text is not empty and
// the value is 1..2047, otherwise previous.
int exportSideFromText(const QString& text, int previous);

class ExportSettingsDialog : public QDialog {
    Q_OBJECT
public:
    ExportSettingsDialog(int viewWidth, int viewHeight, QWidget* parent = nullptr);

    int exportWidth() const { return exportWidth_; }
    int exportHeight() const { return exportHeight_; }
    // Once closed: which sides kept the size they started with and why, one sentence each; "" when
    // both entries were taken.
    QString fallbackNote() const { return fallbackNote_; }
    QLineEdit* widthEdit() const { return widthEdit_; }
    QLineEdit* heightEdit() const { return heightEdit_; }
    QCheckBox* smoothEdgesBox() const { return smoothEdgesBox_; }
    QCheckBox* transparentBox() const { return transparentBox_; }
    // The check boxes, set before the dialog runs and read after.
    bool smoothEdges() const;
    void setSmoothEdges(bool on);
    bool transparent() const;
    void setTransparent(bool on);

    // OK, Cancel, Enter, Escape and the close box all take the edits first.
    void done(int result) override;

private:
    QLineEdit* widthEdit_;
    QLineEdit* heightEdit_;
    QCheckBox* smoothEdgesBox_;
    QCheckBox* transparentBox_;
    int exportWidth_;
    int exportHeight_;
    QString fallbackNote_;
};

} // namespace cartonic
