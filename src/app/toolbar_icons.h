#pragma once

#include <QIcon>

namespace cartonic {

// The 16 x 15 picture of a command's toolbar button (the menu shows the same picture); a null
// icon for commands without one.
QIcon toolbarIcon(int command);

inline constexpr int kToolbarIconWidth = 16;
inline constexpr int kToolbarIconHeight = 15;

} // namespace cartonic
