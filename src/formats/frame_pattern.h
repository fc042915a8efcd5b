#pragma once

// Names of numbered frames: a file name with one printf-style integer conversion, such as
// "frame-%03d.png", which frame k's number fills. Only what names need is taken, and strictly:
// one conversion such as %d, %4d or %04d (a width up to kMaxFrameNumberWidth, zero-padded or
// not; 'i' and 'u' serve as 'd'), and "%%" for a '%' of the name. The name is expanded here,
// never by printf.

#include "base/status.h"

#include <string>
#include <string_view>

namespace cartonic {

// The widest frame number a pattern may ask for, in characters.
inline constexpr int kMaxFrameNumberWidth = 20;

class FramePattern {
public:
    // The pattern in text, or Usage with a one-line reason: no conversion, more than one, or a
    // '%' that starts anything else.
    static Result<FramePattern> parse(std::string_view text);

    // The name of frame index (0 or more): the number padded to the width asked for, with
    // zeros when the pattern says 0 and spaces otherwise, as printf pads.
    std::string name(int index) const;

private:
    std::string before_; // with "%%" already made '%'
    std::string after_;
    int width_ = 0;
    bool zeros_ = false;
};

} // namespace cartonic
