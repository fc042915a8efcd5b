#pragma once

// Text from outside (a path, an argument, a library's reason) as the command line prints it:
// control characters escaped, so that no name can break a message over several lines or send
// the terminal commands of its own.

#include <string>
#include <string_view>

namespace cartonic {

// What every message of the command-line renderer starts with.
inline constexpr std::string_view kProgramPrefix = "cartonic-render: ";

inline std::string printable(std::string_view text) {
    constexpr char kHex[] = "0123456789abcdef";
    constexpr unsigned char kDelete = 0x7f;
    std::string out;
    out.reserve(text.size());
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte >= ' ' && byte != kDelete) {
            out += c;
        } else if (c == '\n') {
            out += "\\n";
        } else if (c == '\r') {
            out += "\\r";
        } else if (c == '\t') {
            out += "\\t";
        } else {
            out += {'\\', 'x', kHex[byte >> 4], kHex[byte & 0xf]};
        }
    }
    return out;
}

} // namespace cartonic
