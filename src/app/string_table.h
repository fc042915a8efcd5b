#pragma once

// The program's own texts for commands: a status-bar prompt, then after the first line break the
// tooltip of the command's toolbar button.

#include <QString>

namespace cartonic {

// The whole string of a command, "" when it has none.
QString commandString(int command);
// The text before the first line break: the status prompt while a menu item is highlighted.
QString commandPrompt(int command);
// The text after the first line break, "" when there is none: the toolbar tooltip.
QString commandTooltip(int command);

inline constexpr const char* kAppTitle = "Cartonic";
inline constexpr const char* kUntitledTitle = "Untitled project";
inline constexpr const char* kReadyText = "Ready";
inline constexpr const char* kAboutText = "Cartonic v1.1";

} // namespace cartonic
