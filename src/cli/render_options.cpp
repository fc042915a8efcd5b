#include "cli/render_options.h"

#include "model/project_data.h"

#include <charconv>
#include <cmath>

namespace cartonic {

namespace {

bool parseFloat(std::string_view text, float& out) {
    const char* end = text.data() + text.size();
    auto [p, ec] = std::from_chars(text.data(), end, out);
    return ec == std::errc() && p == end && std::isfinite(out);
}

bool parseInt(std::string_view text, int& out) {
    const char* end = text.data() + text.size();
    auto [p, ec] = std::from_chars(text.data(), end, out);
    return ec == std::errc() && p == end;
}

// "W,D,H" with each scale in (0, 50].
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

bool parseSize(std::string_view text, int& w, int& h) {
    const auto x = text.find_first_of("xX");
    return x != std::string_view::npos && parseInt(text.substr(0, x), w) &&
           parseInt(text.substr(x + 1), h) && w >= 1 && h >= 1 && w <= kMaxRenderSide &&
           h <= kMaxRenderSide;
}

} // namespace

ParseResult parseRenderOptions(const std::vector<std::string>& args) {
    ParseResult result;
    RenderOptions& o = result.options;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        const auto value = [&](std::string& out) {
            if (i + 1 >= args.size()) {
                result.error = arg + " needs a value";
                return false;
            }
            out = args[++i];
            return true;
        };
        std::string v;
        if (arg == "-h" || arg == "--help") {
            o.help = true;
        } else if (arg == "--print") {
            o.print = true;
        } else if (arg == "--box") {
            if (!value(v)) {
                break;
            }
            std::array<float, 3> box{};
            if (!parseBox(v, box)) {
                result.error = "--box wants W,D,H, each greater than 0 and at most 50: " + v;
                break;
            }
            o.box = box;
        } else if (arg == "--save") {
            if (!value(v)) {
                break;
            }
            o.save = v;
        } else if (arg == "-o" || arg == "--output") {
            if (!value(v)) {
                break;
            }
            o.output = v;
        } else if (arg == "--size") {
            if (!value(v)) {
                break;
            }
            if (!parseSize(v, o.width, o.height)) {
                result.error = "--size wants WxH, each from 1 to 8192: " + v;
                break;
            }
        } else if (!arg.empty() && arg[0] == '-' && arg != "-") {
            result.error = "unknown option " + arg;
            break;
        } else if (o.project) {
            result.error = "more than one project file given";
            break;
        } else {
            o.project = arg;
        }
    }
    return result;
}

std::string renderUsage() {
    return R"(Usage: cartonic-render [PROJECT.ctn] [options]

Renders a Cartonic project without a display, prints it or saves a copy.
Without PROJECT the default project is used, as the application starts with it.

Options:
  -o, --output FILE   render the scene to FILE (.jpg/.jpeg for JPEG, .png for PNG)
      --size WxH      picture size, 1 to 8192 pixels a side (default 800x600)
      --box W,D,H     box scales (half width, half depth, half height), each in (0, 50]
      --save OUT.ctn  write the project, after the options above, to OUT.ctn
      --print         write the project record as JSON on standard output
  -h, --help          show this text

Exit status: 0 on success, 1 when a file cannot be read or written, 2 on a usage error.
)";
}

} // namespace cartonic
