#pragma once

// The full colour chooser behind "More Colors...", and the 16 custom colours it offers, which
// every ColorButton shares for the whole run.

#include "panels/color.h"

#include <array>
#include <functional>
#include <optional>

class QWidget;

namespace cartonic {

inline constexpr int kCustomColorCount = 16;

// The shared custom colours; all white until the user changes them in the chooser. UI thread.
std::array<Color, kCustomColorCount>& customColors();

// Asks the user for a colour, starting at `initial` (a real colour, not kAutomaticColor), modal
// to `owner`; nullopt when cancelled. Swappable so tests need not face a modal dialog.
using ColorChooser = std::function<std::optional<Color>(QWidget* owner, Color initial)>;

// The toolkit's colour dialog with customColors() loaded before and read back after. UI thread.
std::optional<Color> chooseColorWithDialog(QWidget* owner, Color initial);

} // namespace cartonic
