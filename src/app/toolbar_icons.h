#pragma once

#include <QColor>
#include <QIcon>

class QPainter;

namespace cartonic {

// Draws a command's picture on a 16 x 15 pixmap.
using IconPainter = void (*)(QPainter& painter);

// The picture of a command's toolbar button (the menu shows the same picture); a null icon for
// a null painter, a command without one.
QIcon toolbarIcon(IconPainter paint);

// The commands' pictures, drawn in code so that start-up reads no image file.
void drawFileNew(QPainter& p);
void drawFileOpen(QPainter& p);
void drawFileSave(QPainter& p);
void drawEditCopy(QPainter& p);
void drawModeRotateCamera(QPainter& p);
void drawModeAdjustWidth(QPainter& p);
void drawModeAdjustDepth(QPainter& p);
void drawModeAdjustHeight(QPainter& p);
void drawModeRotateLight(QPainter& p);
void drawChangeSettings(QPainter& p);
void drawAppAbout(QPainter& p);

inline constexpr int kToolbarIconWidth = 16;
inline constexpr int kToolbarIconHeight = 15;

// The outlines of the pictures the window draws for itself: toolbar buttons, overflow arrows.
inline const QColor kIconInk(40, 40, 40);

} // namespace cartonic
