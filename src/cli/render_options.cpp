#include "cli/render_options.h"

#include <algorithm>
#include <charconv>
#include <cmath>

namespace cartonic {

namespace {

// from_chars takes no leading '+', which people write for angles and distances.
std::string_view withoutPlus(std::string_view text) {
    return !text.empty() && text.front() == '+' ? text.substr(1) : text;
}

bool parseFloat(std::string_view text, float& out) {
    text = withoutPlus(text);
    const char* end = text.data() + text.size();
    auto [p, ec] = std::from_chars(text.data(), end, out);
    return !text.empty() && ec == std::errc() && p == end && std::isfinite(out);
}

bool parseInt(std::string_view text, int& out) {
    text = withoutPlus(text);
    const char* end = text.data() + text.size();
    auto [p, ec] = std::from_chars(text.data(), end, out);
    return !text.empty() && ec == std::errc() && p == end;
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

// "NAME=VALUE" with a face name; false when there is no '=' or no such face.
bool splitFaceAssignment(std::string_view text, int& slot, std::string_view& value) {
    const auto eq = text.find('=');
    if (eq == std::string_view::npos) {
        return false;
    }
    slot = faceSlotForName(text.substr(0, eq));
    value = text.substr(eq + 1);
    return slot >= 0;
}

void choosePicture(std::vector<PictureChoice>& pictures, int slot, std::string path) {
    // A later choice for the same slot replaces the earlier one, as a later option usually does.
    std::erase_if(pictures, [slot](const PictureChoice& p) { return p.slot == slot; });
    pictures.push_back({slot, std::move(path)});
    std::sort(pictures.begin(), pictures.end(),
              [](const PictureChoice& a, const PictureChoice& b) { return a.slot < b.slot; });
}

std::string number(float value) {
    char buf[32];
    auto [end, ec] = std::to_chars(buf, buf + sizeof buf, value);
    return std::string(buf, end);
}

const std::string kPathTooLong =
    "an image path of at most " + std::to_string(kMaxStoredPath) + " bytes";

std::string formatName(PictureFormat format) {
    return format == PictureFormat::Png ? "png" : "jpeg";
}

std::string faceNameList() {
    std::string names;
    for (std::string_view name : kFaceNames) {
        names += names.empty() ? "" : ", ";
        names += name;
    }
    return names;
}

class Parser {
public:
    explicit Parser(const std::vector<std::string>& args) : args_(args) {}

    ParseResult run() {
        bool optionsEnded = false;
        for (i_ = 0; i_ < args_.size() && result_.error.empty(); ++i_) {
            const std::string& arg = args_[i_];
            if (optionsEnded || arg.empty() || arg[0] != '-' || arg == "-") {
                positional(arg);
            } else if (arg == "--") {
                optionsEnded = true;
            } else {
                option(arg);
            }
        }
        if (result_.error.empty() && o().output) {
            chooseOutputFormat();
        }
        return result_;
    }

private:
    RenderOptions& o() { return result_.options; }

    // --format where given, else what the file's name says; standard output has its own default.
    void chooseOutputFormat() {
        const std::string& output = *o().output;
        if (o().pictureToStandardOutput()) {
            o().outputFormat = o().format.value_or(kStandardOutputFormat);
            if (o().print) {
                result_.error = "--print and -o - both write to standard output";
            }
            return;
        }
        const std::optional<PictureFormat> named = formatForPath(output);
        if (named && o().format && *named != *o().format) {
            // A PNG file named .jpg misleads whatever opens it by its name.
            result_.error = "--format " + formatName(*o().format) + " does not match -o " + output;
        } else if (named || o().format) {
            o().outputFormat = named ? *named : *o().format;
        } else {
            result_.error =
                "-o wants a file name ending in .jpg, .jpeg or .png, or --format: " + output;
        }
    }

    void positional(const std::string& arg) {
        if (o().project) {
            result_.error = "more than one project file given: " + *o().project + ", " + arg;
        } else {
            o().project = arg;
        }
    }

    void option(const std::string& arg) {
        // Long options also take their value as --name=value.
        std::string name = arg;
        std::optional<std::string> inlineValue;
        if (const auto eq = arg.find('='); arg.starts_with("--") && eq != std::string::npos) {
            name = arg.substr(0, eq);
            inlineValue = arg.substr(eq + 1);
        }
        const auto flag = [&](bool& field) {
            if (inlineValue) {
                result_.error = name + " takes no value";
            } else {
                field = true;
            }
        };
        std::string v;
        const auto value = [&]() {
            if (inlineValue) {
                v = *inlineValue;
                return true;
            }
            if (i_ + 1 >= args_.size()) {
                result_.error = name + " needs a value";
                return false;
            }
            v = args_[++i_];
            return true;
        };
        const auto bad = [&](const std::string& wants) {
            result_.error = name + " wants " + wants + ": " + v;
        };
        float f = 0.0f;
        int n = 0;
        if (name == "-h" || name == "--help") {
            flag(o().help);
        } else if (name == "--print") {
            flag(o().print);
        } else if (std::find(kValueOptions.begin(), kValueOptions.end(), name) ==
                   kValueOptions.end()) {
            result_.error = "unknown option " + name;
        } else if (!value()) {
            return;
        } else if (name == "-o" || name == "--output") {
            o().output = v;
        } else if (name == "--format") {
            if (v == "png") {
                o().format = PictureFormat::Png;
            } else if (v == "jpeg" || v == "jpg") {
                o().format = PictureFormat::Jpeg;
            } else {
                bad("png or jpeg");
            }
        } else if (name == "--save") {
            o().save = v;
        } else if (name == "--size") {
            if (!parseSize(v, o().width, o().height)) {
                bad("WxH, each from 1 to " + std::to_string(kMaxRenderSide));
            }
        } else if (name == "--quality") {
            if (parseInt(v, n) && n >= kMinJpegQuality && n <= kMaxJpegQuality) {
                o().quality = n;
            } else {
                bad("a whole number from " + std::to_string(kMinJpegQuality) + " to " +
                    std::to_string(kMaxJpegQuality));
            }
        } else if (name == "--box") {
            std::array<float, 3> box{};
            if (parseBox(v, box)) {
                o().box = box;
            } else {
                bad("W,D,H, each greater than 0 and at most " + number(kMaxBoxScale));
            }
        } else if (name == "--face") {
            int slot = -1;
            std::string_view path;
            if (!splitFaceAssignment(v, slot, path) || path.empty()) {
                bad("NAME=IMAGE with NAME one of " + faceNameList());
            } else if (path.size() > kMaxStoredPath) {
                bad(kPathTooLong);
            } else {
                choosePicture(o().pictures, slot, std::string(path));
            }
        } else if (name == "--floor") {
            if (v.empty()) {
                bad("an image file");
            } else if (v.size() > kMaxStoredPath) {
                bad(kPathTooLong);
            } else {
                choosePicture(o().pictures, kFloorSlot, v);
            }
        } else if (name == "--orientation") {
            int slot = -1;
            std::string_view digits;
            if (splitFaceAssignment(v, slot, digits) && parseInt(digits, n) && n >= AsLoaded &&
                n <= Turn270) {
                o().orientations[slot] = n;
            } else {
                bad("NAME=N with NAME one of " + faceNameList() + " and N from " +
                    std::to_string(AsLoaded) + " to " + std::to_string(Turn270));
            }
        } else if (name == "--fov") {
            if (parseFloat(v, f) && f >= kMinRenderFov && f <= kMaxRenderFov) {
                o().fov = f;
            } else {
                bad("degrees from " + number(kMinRenderFov) + " to " + number(kMaxRenderFov));
            }
        } else if (name == "--yaw" || name == "--pitch" || name == "--zoom") {
            if (!parseFloat(v, f)) {
                bad("a number");
            } else {
                (name == "--yaw" ? o().yaw : name == "--pitch" ? o().pitch : o().zoom) = f;
            }
        }
    }

    static constexpr std::array<std::string_view, 14> kValueOptions = {
        "-o",     "--output", "--format",      "--save", "--size", "--quality", "--box",
        "--face", "--floor",  "--orientation", "--fov",  "--yaw",  "--pitch",   "--zoom"};

    const std::vector<std::string>& args_;
    std::size_t i_ = 0;
    ParseResult result_;
};

} // namespace

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

ParseResult parseRenderOptions(const std::vector<std::string>& args) {
    return Parser(args).run();
}

std::string renderUsage() {
    return R"(Usage: cartonic-render [PROJECT.ctn] [options]

Renders a Cartonic project without a display, prints it or saves a copy.
Without PROJECT the project starts as the application starts: default settings, no pictures.
The pictures a project names are loaded from their stored paths, relative ones from the
project file's folder; a picture that cannot be loaded is left off with a warning.

Output:
  -o, --output FILE      render the scene to FILE: JPEG for .jpg/.jpeg, PNG for .png;
                         with FILE -, the picture goes to standard output (PNG unless
                         --format says otherwise) and nothing else is printed there
      --format png|jpeg  the picture's format, for a FILE named otherwise or for -; a FILE
                         named .png, .jpg or .jpeg must agree with it
      --size WxH         picture size, 1 to 8192 pixels a side (default 800x600); the view
                         is as wide as the picture, so no shape stretches it
      --quality N        JPEG quality 1 to 100 (default 92, as the application's export);
                         PNG ignores it

Project:
      --face NAME=IMAGE  put IMAGE on face NAME: Top, Bottom, Front, Back, Right or Left,
                         in any case; repeat it for more faces (for one face, the
                         last given counts)
      --floor IMAGE      use IMAGE as the floor picture (shown when the project has floor
                         texturing on, as the default project has)
      --box W,D,H        box scales (half width, half depth, half height), each in (0, 50]
      --orientation NAME=N
                         lay face NAME's picture: 0 as loaded, 1 mirror top to bottom,
                         2 mirror left to right, 3 turn 90, 4 turn 180, 5 turn 270 degrees

Camera, changed from where the application starts it (eye at 9,-9,9 looking at 0,0,5),
in this order:
      --fov DEG          field of view, 20 to 75 degrees (default 45)
      --yaw RAD          orbit around the box's vertical axis, radians, positive turns
                         counter-clockwise seen from above
      --pitch RAD        orbit up (positive) or down over the box, radians
      --zoom UNITS       move the eye towards the target by UNITS world units (negative moves
                         away); the eye starts about 13.3 units from the target

Files and text:
      --save OUT.ctn     write the project, with the changes above, to OUT.ctn. Picture paths
                         given relative to the working directory, and relative paths stored in
                         PROJECT, are rewritten relative to OUT.ctn's folder so the saved
                         project finds its pictures; absolute paths are kept as they are
      --print            write the project record as JSON on standard output
  -h, --help             show this text

Long options also take their value as --name=value. Files are only written once complete:
an error leaves no partial picture or project behind.

Exit status: 0 on success, 1 when a file cannot be read or written (project, picture, output),
2 on a usage error.

Examples:
  cartonic-render product.ctn -o shot.jpg --size 1600x1200
  cartonic-render product.ctn --face front=v2/front.png -o shot-v2.png --yaw 0.4 --zoom 2
  ls *.ctn | xargs -P4 -I{} cartonic-render {} -o {}.jpg --size 2000x2000
  cartonic-render product.ctn -o - --format jpeg | ssh web 'cat > shots/product.jpg'
)";
}

} // namespace cartonic
