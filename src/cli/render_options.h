#pragma once

#include <array>
#include <optional>
#include <string>
#include <vector>

namespace cartonic {

// What one run of cartonic-render is asked to do, as parsed from its command line.
struct RenderOptions {
    std::optional<std::string> project;      // start from defaults when absent
    std::optional<std::array<float, 3>> box; // box scales, each in (0, 50]
    std::optional<std::string> save;
    bool print = false;
    std::optional<std::string> output; // picture to render; .jpg/.jpeg or .png
    int width = 800;
    int height = 600;
    bool help = false;
};

struct ParseResult {
    RenderOptions options;
    std::string error; // non-empty: a usage error, to be reported with exit status 2
};

// Parses argv[1..]; never exits or prints.
ParseResult parseRenderOptions(const std::vector<std::string>& args);

// The --help text.
std::string renderUsage();

inline constexpr int kMaxRenderSide = 8192;

} // namespace cartonic
