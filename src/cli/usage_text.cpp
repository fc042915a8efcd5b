#include "cli/usage_text.h"

#include "cli/option_table.h"
#include "cli/option_values.h"
#include "model/product_presets.h"

#include <algorithm>
#include <string_view>

namespace cartonic {

namespace {

// The usage line of one option, and its help lines beside and below it.
constexpr std::size_t kHelpColumn = 25;

std::string optionHelp(const OptionDefinition& option) {
    std::string left =
        option.shortName.empty() ? "      " : "  " + std::string(option.shortName) + ", ";
    left += option.longName;
    if (!option.argument.empty()) {
        left += ' ';
        left += option.argument;
    }
    std::string text;
    std::string_view help = option.help;
    bool first = true;
    while (!help.empty() || first) {
        const auto nl = help.find('\n');
        const std::string_view line = help.substr(0, nl);
        if (first) {
            // Beside the name when it leaves room, else on a line of its own below it.
            text += left;
            text += left.size() + 2 <= kHelpColumn ? std::string(kHelpColumn - left.size(), ' ')
                                                   : "\n" + std::string(kHelpColumn, ' ');
        } else {
            text += std::string(kHelpColumn, ' ');
        }
        text += line;
        text += '\n';
        help = nl == std::string_view::npos ? std::string_view() : help.substr(nl + 1);
        first = false;
    }
    return text;
}

// Every option by group, as --help lists them.
std::string renderOptionList() {
    std::string text;
    for (const OptionGroup& group : optionGroups()) {
        text += text.empty() ? "" : "\n";
        text += std::string(group.heading) + "\n";
        for (const OptionDefinition& option : group.options) {
            text += optionHelp(option);
        }
    }
    return text;
}

} // namespace

std::string presetList() {
    constexpr std::size_t kKeyColumn = 12;
    constexpr std::size_t kSizeColumn = 24;
    std::string text = "Each product by its --preset name, width x height x depth:\n";
    for (const ProductPreset& preset : kProductPresets) {
        const BoxSides& mm = preset.millimetres;
        std::string line(preset.key);
        line.resize(std::max(line.size(), kKeyColumn), ' ');
        line += shortestText(static_cast<float>(mm.width)) + " x " +
                shortestText(static_cast<float>(mm.height)) + " x " +
                shortestText(static_cast<float>(mm.depth)) + " mm";
        line.resize(std::max(line.size(), kKeyColumn + kSizeColumn), ' ');
        text += line + std::string(preset.name) + (preset.book ? ", with page edges" : "") + "\n";
    }
    return text;
}

std::string renderUsage() {
    return R"(Usage: cartonic-render [PROJECT.ctn] [options]

Renders a Cartonic project without a display, prints it or saves a copy.
Without PROJECT the project starts as the application starts: default settings, no pictures.
The pictures a project names are loaded from their stored paths, relative ones from the
project file's folder; a picture that cannot be loaded is left off with a warning.

)" + renderOptionList() +
           R"(
Long options also take their value as --name=value. Files are only written once complete:
an error leaves no partial picture or project behind.

Exit status: 0 on success, 1 when a file cannot be read or written (project, picture, output),
2 on a usage error. A batch exits 1 when any of its jobs failed, 2 when its manifest cannot be
read or is not JSON Lines.

Examples:
  cartonic-render product.ctn -o shot.jpg --size 1600x1200
  cartonic-render product.ctn --face front=v2/front.png -o shot-v2.png --yaw 0.4 --zoom 2
  ls *.ctn | xargs -P4 -I{} cartonic-render {} -o {}.jpg --size 2000x2000
  cartonic-render --batch catalogue.jsonl --shard 2/4
  cartonic-render product.ctn -o - --format jpeg | ssh web 'cat > shots/product.jpg'
  cartonic-render product.ctn -o box.glb
  cartonic-render product.ctn --turntable 36 --fps 12 -o spin.webp --size 600x600
  cartonic-render product.ctn --turntable 120 -o spin.mp4 --size 1280x720 --pitch -0.2
)";
}

} // namespace cartonic
