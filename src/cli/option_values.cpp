#include "cli/option_values.h"

#include "cli/render_options.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cmath>
#include <limits>
#include <string_view>

namespace cartonic {

namespace {

// from_chars takes no leading '+', which people write for angles and distances.
std::string_view withoutPlus(std::string_view text) {
    return !text.empty() && text.front() == '+' ? text.substr(1) : text;
}

template <typename Number>
bool parseWholeText(std::string_view text, Number& out) {
    text = withoutPlus(text);
    const char* end = text.data() + text.size();
    auto [p, ec] = std::from_chars(text.data(), end, out);
    return !text.empty() && ec == std::errc() && p == end;
}

template <typename Real>
bool parseReal(std::string_view text, Real& out) {
    if (parseWholeText(text, out)) {
        return std::isfinite(out);
    }
    // from_chars calls a number too small for Real out of range (1e-320 for a double), though it
    // is that number, or as near zero as Real comes: read wider and narrowed, it is.
    long double wide = 0;
    if (!parseWholeText(text, wide) || !std::isfinite(wide) ||
        std::fabs(wide) > std::numeric_limits<Real>::max()) {
        return false;
    }
    out = static_cast<Real>(wide);
    return true;
}

} // namespace

bool parseInt(std::string_view text, int& out) {
    return parseWholeText(text, out);
}

bool parseFloat(std::string_view text, float& out) {
    return parseReal(text, out);
}

bool parseFloat(std::string_view text, double& out) {
    return parseReal(text, out);
}

bool parseBox(std::string_view text, std::array<float, 3>& out) {
    for (int i = 0; i < 3; ++i) {
        const auto comma = text.find(',');
        const bool last = i == 2;
        if (last != (comma == std::string_view::npos)) {
            return false;
        }
        const std::string_view part = last ? text : text.substr(0, comma);
        if (!parseFloat(part, out[i]) || out[i] <= 0.0f || out[i] > kMaxBoxScale) {
            return false;
        }
        if (!last) {
            text.remove_prefix(comma + 1);
        }
    }
    return true;
}

bool parseSize(std::string_view text, int& width, int& height) {
    const auto x = text.find_first_of("xX");
    return x != std::string_view::npos && parseInt(text.substr(0, x), width) &&
           parseInt(text.substr(x + 1), height) && width >= 1 && height >= 1 &&
           width <= kMaxRenderSide && height <= kMaxRenderSide;
}

int faceSlotForName(std::string_view name) {
    for (int k = 0; k < kFaceCount; ++k) {
        const std::string_view face = kFaceNames[k];
        if (std::equal(name.begin(), name.end(), face.begin(), face.end(), [](char a, char b) {
                return std::tolower(static_cast<unsigned char>(a)) ==
                       std::tolower(static_cast<unsigned char>(b));
            })) {
            return k;
        }
    }
    return -1;
}

bool splitFaceAssignment(std::string_view text, int& slot, std::string_view& value) {
    const auto eq = text.find('=');
    if (eq == std::string_view::npos) {
        return false;
    }
    slot = faceSlotForName(text.substr(0, eq));
    value = text.substr(eq + 1);
    return slot >= 0;
}

std::string shortestText(float value) {
    char buf[32];
    auto [end, ec] = std::to_chars(buf, buf + sizeof buf, value);
    return std::string(buf, end);
}

} // namespace cartonic
