#include "formats/frame_pattern.h"

#include <algorithm>

namespace cartonic {

namespace {

constexpr int kDecimalBase = 10;

bool isDigit(char c) {
    return c >= '0' && c <= '9';
}

bool isIntegerConversion(char c) {
    return c == 'd' || c == 'i' || c == 'u';
}

} // namespace

Result<FramePattern> FramePattern::parse(std::string_view text) {
    FramePattern pattern;
    bool found = false;
    for (std::size_t i = 0; i < text.size(); ++i) {
        std::string& part = found ? pattern.after_ : pattern.before_;
        if (text[i] != '%') {
            part += text[i];
            continue;
        }
        const std::size_t start = i++;
        if (i < text.size() && text[i] == '%') {
            part += '%';
            continue;
        }
        bool zeros = false;
        if (i < text.size() && text[i] == '0') {
            zeros = true;
            ++i;
        }
        int width = 0;
        for (; i < text.size() && isDigit(text[i]); ++i) {
            // Held just past the most, so any number of digits reads as too wide.
            width = std::min(width * kDecimalBase + (text[i] - '0'), kMaxFrameNumberWidth + 1);
        }
        const std::string conversion(text.substr(start, i + 1 - start));
        if (i >= text.size() || !isIntegerConversion(text[i])) {
            return Status::usage("a frame number is %d, %4d or %04d (and %% a '%'), not " +
                                 conversion);
        }
        if (width > kMaxFrameNumberWidth) {
            return Status::usage("a frame number is at most " +
                                 std::to_string(kMaxFrameNumberWidth) +
                                 " characters wide: " + conversion);
        }
        if (found) {
            return Status::usage("a frame name holds one frame number, not two");
        }
        found = true;
        pattern.width_ = width;
        pattern.zeros_ = zeros;
    }
    if (!found) {
        return Status::usage("a frame name holds the frame number as %d, %4d or %04d");
    }
    return pattern;
}

std::string FramePattern::name(int index) const {
    std::string number = std::to_string(index);
    if (static_cast<int>(number.size()) < width_) {
        number.insert(0, static_cast<std::size_t>(width_) - number.size(), zeros_ ? '0' : ' ');
    }
    return before_ + number + after_;
}

} // namespace cartonic
