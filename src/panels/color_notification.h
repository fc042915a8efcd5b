#pragma once

// What a ColorButton tells its owner about one click, in the order it sends them:
// PopupOpening; then, after a choice, ColorChanged (only if the colour differs from before the
// click), PopupClosed, PickAccepted; or, without a choice, PopupClosed, PickCancelled.

#include <cstdint>

namespace cartonic {

enum class ColorNotification : std::uint32_t {
    ColorChanged = 0x8000,
    PopupOpening = 0x8001,
    PopupClosed = 0x8002,
    PickAccepted = 0x8003,
    PickCancelled = 0x8004,
};

} // namespace cartonic
