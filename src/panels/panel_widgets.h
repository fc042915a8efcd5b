#pragma once

// Building blocks the settings panels lay out by dialog units: the dialog font, group boxes,
// framed captions, and the naming of controls by their control number.

#include <QRect>
#include <QString>

class QGroupBox;
class QLabel;
class QWidget;

namespace cartonic {

// Point size of the panels' dialog font.
inline constexpr int kDialogFontPoints = 8;

// Gives panel the toolkit's dialog font at kDialogFontPoints, before anything is measured.
void useDialogFont(QWidget& panel);

// Gives panel the application's icon as its small icon.
void useApplicationIcon(QWidget& panel);

// Names control after its control number ("1002"), so tests and tools can find it.
void nameControl(QWidget& control, int id);

// A group box drawn behind the controls that follow it (it does not parent them).
QGroupBox* addGroupBox(QWidget& panel, const QString& title, const QRect& geometry);
// A caption centred in a thin plain frame, widened about its centre when the text needs it.
QLabel* addFramedCaption(QWidget& panel, const QString& text, const QRect& geometry);

// Grows control about its vertical centre to its preferred height, so a check box or radio
// button laid out for a smaller font keeps its whole indicator.
void fitHeight(QWidget& control);

} // namespace cartonic
