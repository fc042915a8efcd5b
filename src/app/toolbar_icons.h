#pragma once

#include <QColor>
#include <QIcon>

namespace cartonic {

// The 16 x 15 picture of a command's toolbar button (the menu shows the same picture); a null
// icon for commands without one.
QIcon toolbarIcon(int command);

inline constexpr int kToolbarIconWidth = 16;
inline constexpr int kToolbarIconHeight = 15;

// The outlines of the pictures the window draws for itself: toolbar buttons, overflow arrows.
inline const QColor kIconInk(40, 40, 40);

} // namespace cartonic
