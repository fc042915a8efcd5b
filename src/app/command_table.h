#pragma once

// Every command of the main window, one row each: what its action shows (menu text, keys, icon,
// status-bar prompt, tooltip), how it behaves when triggered, and what it runs in the frame.
// CommandActions makes the actions from the rows; MainFrame connects each to its row's handler.

#include "app/toolbar_icons.h"

#include <QKeyCombination>

#include <array>
#include <cstddef>
#include <span>

namespace cartonic {

class MainFrame;

enum class CommandKind {
    Plain,
    // Checkable; triggered, it runs with the state it was switched to.
    SwitchOn,  // checked at start
    SwitchOff, // unchecked at start
    // One of the mouse modes: checkable, and exactly one of them checked.
    Mode,
};

inline constexpr std::size_t kMostCommandKeys = 2;

struct Command {
    int number;       // CommandId: a fixed value, which the prompts are known by
    const char* text; // the menu text, with the keys it shows after a tab
    // The keys that trigger it, the first one shown; Qt::Key_unknown for none.
    std::array<QKeyCombination, kMostCommandKeys> keys;
    const char* prompt;  // shown in the status bar while the menu item is highlighted; "" for none
    const char* tooltip; // the toolbar button's; "" for none
    IconPainter icon;    // null for none
    CommandKind kind;
    // Runs the command in frame; checked is the state a switch was switched to.
    void (*run)(MainFrame& frame, bool checked);
};

// Every command, in no particular order; each number once.
std::span<const Command> commandTable();

// The row of a command number; null for a number without one.
const Command* findCommand(int number);

} // namespace cartonic
