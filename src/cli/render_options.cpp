#include "cli/render_options.h"

#include "export/frame_pattern.h"
#include "export/model_writer.h"
#include "render/turntable_frames.h"

#include <algorithm>
#include <charconv>
#include <cmath>

namespace cartonic {

namespace {

// from_chars takes no leading '+', which people write for angles and distances.
std::string_view withoutPlus(std::string_view text) {
    return !text.empty() && text.front() == '+' ? text.substr(1) : text;
}

template <typename Real>
bool parseFloat(std::string_view text, Real& out) {
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

// A number into field; what the value wants when it is none.
std::string parseOptionalFloat(const std::string& value, std::optional<float>& field) {
    float f = 0.0f;
    if (!parseFloat(value, f)) {
        return "a number";
    }
    field = f;
    return {};
}

std::string faceNameList() {
    std::string names;
    for (std::string_view name : kFaceNames) {
        names += names.empty() ? "" : ", ";
        names += name;
    }
    return names;
}

// What an option's value wants, for the message "--name wants WANTS: VALUE"; "" when it was
// taken.
using Apply = std::string (*)(RenderOptions& o, const std::string& value);

// One command-line option: the parser, --help and the README's option list all come from here.
struct OptionSpec {
    std::string_view shortName; // "-o", or "" for none
    std::string_view longName;  // "--output"
    std::string_view argument;  // "FILE"; "" for a switch, which takes no value
    std::string_view help;      // lines for --help, the first beside the name
    Apply apply;
};

struct OptionGroup {
    std::string_view heading;
    std::vector<OptionSpec> options;
};

std::string wantsNumberFrom(float low, float high, std::string_view unit) {
    return std::string(unit) + " from " + number(low) + " to " + number(high);
}

const std::vector<OptionGroup>& optionGroups() {
    static const std::vector<OptionGroup> groups = {
        {"Output:",
         {
             {"-o", "--output", "FILE",
              "render the scene to FILE: JPEG for .jpg/.jpeg, PNG for .png;\n"
              "with FILE -, the picture goes to standard output (PNG unless\n"
              "--format says otherwise) and nothing else is printed there;\n"
              "with --turntable, an animation (see below). FILE.glb gets the box\n"
              "as a 3D model (binary glTF) for web pages and AR viewers instead;\n"
              "no camera or picture option applies",
              [](RenderOptions& o, const std::string& v) {
                  o.output = v;
                  return std::string();
              }},
             {"", "--format", "png|jpeg|glb",
              "the picture's format, for a FILE named otherwise or for -; a FILE\n"
              "named .png, .jpg, .jpeg or .glb must agree with it; glb, the 3D\n"
              "model, is written to a FILE only",
              [](RenderOptions& o, const std::string& v) {
                  // A later --format replaces an earlier one.
                  o.format.reset();
                  o.model = false;
                  if (v == "png") {
                      o.format = PictureFormat::Png;
                  } else if (v == "jpeg" || v == "jpg") {
                      o.format = PictureFormat::Jpeg;
                  } else if (v == "glb") {
                      o.model = true;
                  } else {
                      return std::string("png, jpeg or glb");
                  }
                  return std::string();
              }},
             {"", "--size", "WxH",
              "picture size, 1 to 8192 pixels a side (default 800x600); the view\n"
              "is as wide as the picture, so no shape stretches it",
              [](RenderOptions& o, const std::string& v) {
                  return parseSize(v, o.width, o.height)
                             ? std::string()
                             : "WxH, each from 1 to " + std::to_string(kMaxRenderSide);
              }},
             {"", "--quality", "N",
              "JPEG quality 1 to 100 (default 92, as the application's export);\n"
              "PNG ignores it; a .webp turntable is lossy at it when given,\n"
              "else lossless; a .mp4 takes ffmpeg's own",
              [](RenderOptions& o, const std::string& v) {
                  int n = 0;
                  if (parseInt(v, n) && n >= kMinJpegQuality && n <= kMaxJpegQuality) {
                      o.quality = n;
                      o.qualityGiven = true;
                      return std::string();
                  }
                  return "a whole number from " + std::to_string(kMinJpegQuality) + " to " +
                         std::to_string(kMaxJpegQuality);
              }},
             {"", "--samples", "N",
              "samples a pixel for smooth edges: 1 (aliased), 2, 4, 8 or 16\n"
              "(default 4, as the application's export); more than the driver\n"
              "takes at once are drawn in shifted passes",
              [](RenderOptions& o, const std::string& v) {
                  int n = 0;
                  if (parseInt(v, n) && std::find(kSampleChoices.begin(), kSampleChoices.end(),
                                                  n) != kSampleChoices.end()) {
                      o.samples = n;
                      return std::string();
                  }
                  return std::string("1, 2, 4, 8 or 16");
              }},
             {"", "--transparent", "",
              "a PNG picture (or PNG frames, or a WebP) whose background and floor\n"
              "are see-through; the box, its reflection and its shadow keep their\n"
              "opacity",
              [](RenderOptions& o, const std::string&) {
                  o.transparent = true;
                  return std::string();
              }},
         }},
        {"Turntable:",
         {
             {"", "--turntable", "N",
              "render N frames, 1 to 3600, of one turn around the box: the eye\n"
              "orbits as --yaw does, 360/N degrees a frame, from the camera the\n"
              "options below give. -o names what is written: FILE.webp, an\n"
              "animated WebP looping for ever; FILE.mp4, an H.264 video made by\n"
              "the ffmpeg program, which must be on PATH (the width and height\n"
              "must be even); or numbered pictures, as frame-%03d.png names\n"
              "frame-000.png and on: the frame number 0 to N-1 as %d, %4d or\n"
              "%04d, and %% for a %. Pictures are written as they are drawn;\n"
              "the WebP and the video only once complete",
              [](RenderOptions& o, const std::string& v) {
                  int n = 0;
                  if (parseInt(v, n) && n >= kMinTurntableFrames && n <= kMaxTurntableFrames) {
                      o.turntable = n;
                      return std::string();
                  }
                  return "a whole number from " + std::to_string(kMinTurntableFrames) + " to " +
                         std::to_string(kMaxTurntableFrames);
              }},
             {"", "--fps", "F",
              "frames a second of a .webp or .mp4 turntable, at most 120\n"
              "(default 24); at least 0.01 for a .mp4, and for a .webp enough\n"
              "that a frame shows at most 16777 s and the whole turn at most\n"
              "2147483 s",
              [](RenderOptions& o, const std::string& v) {
                  // A double, as the writers take it: 0.01 as a float is less than 0.01.
                  double f = 0.0;
                  if (parseFloat(v, f) && f > 0.0 && f <= kMaxAnimationFps) {
                      o.fps = f;
                      return std::string();
                  }
                  return "frames a second, more than 0 and at most " + number(kMaxAnimationFps);
              }},
         }},
        {"Project:",
         {
             {"", "--face", "NAME=IMAGE",
              "put IMAGE on face NAME: Top, Bottom, Front, Back, Right or Left,\n"
              "in any case; repeat it for more faces (for one face, the\n"
              "last given counts)",
              [](RenderOptions& o, const std::string& v) {
                  int slot = -1;
                  std::string_view path;
                  if (!splitFaceAssignment(v, slot, path) || path.empty()) {
                      return "NAME=IMAGE with NAME one of " + faceNameList();
                  }
                  if (path.size() > kMaxStoredPath) {
                      return kPathTooLong;
                  }
                  choosePicture(o.pictures, slot, std::string(path));
                  return std::string();
              }},
             {"", "--floor", "IMAGE",
              "use IMAGE as the floor picture (shown when the project has floor\n"
              "texturing on, as the default project has)",
              [](RenderOptions& o, const std::string& v) {
                  if (v.empty()) {
                      return std::string("an image file");
                  }
                  if (v.size() > kMaxStoredPath) {
                      return kPathTooLong;
                  }
                  choosePicture(o.pictures, kFloorSlot, v);
                  return std::string();
              }},
             {"", "--box", "W,D,H",
              "box scales (half width, half depth, half height), each in (0, 50]",
              [](RenderOptions& o, const std::string& v) {
                  std::array<float, 3> box{};
                  if (!parseBox(v, box)) {
                      return "W,D,H, each greater than 0 and at most " + number(kMaxBoxScale);
                  }
                  o.box = box;
                  return std::string();
              }},
             {"", "--orientation", "NAME=N",
              "lay face NAME's picture: 0 as loaded, 1 mirror top to bottom,\n"
              "2 mirror left to right, 3 turn 90, 4 turn 180, 5 turn 270 degrees",
              [](RenderOptions& o, const std::string& v) {
                  int slot = -1;
                  int n = 0;
                  std::string_view digits;
                  if (splitFaceAssignment(v, slot, digits) && parseInt(digits, n) &&
                      n >= AsLoaded && n <= Turn270) {
                      o.orientations[static_cast<std::size_t>(slot)] = n;
                      return std::string();
                  }
                  return "NAME=N with NAME one of " + faceNameList() + " and N from " +
                         std::to_string(AsLoaded) + " to " + std::to_string(Turn270);
              }},
         }},
        {"Camera, changed from where the application starts it (eye at 9,-9,9 looking at 0,0,5),\n"
         "in this order:",
         {
             {"", "--fov", "DEG", "field of view, 20 to 75 degrees (default 45)",
              [](RenderOptions& o, const std::string& v) {
                  float f = 0.0f;
                  if (parseFloat(v, f) && f >= kMinRenderFov && f <= kMaxRenderFov) {
                      o.fov = f;
                      return std::string();
                  }
                  return wantsNumberFrom(kMinRenderFov, kMaxRenderFov, "degrees");
              }},
             {"", "--yaw", "RAD",
              "orbit around the box's vertical axis, radians, positive turns\n"
              "counter-clockwise seen from above",
              [](RenderOptions& o, const std::string& v) {
                  return parseOptionalFloat(v, o.yaw);
              }},
             {"", "--pitch", "RAD", "orbit up (positive) or down over the box, radians",
              [](RenderOptions& o, const std::string& v) {
                  return parseOptionalFloat(v, o.pitch);
              }},
             {"", "--zoom", "UNITS",
              "move the eye towards the target by UNITS world units (negative moves\n"
              "away); the eye starts about 13.3 units from the target",
              [](RenderOptions& o, const std::string& v) {
                  return parseOptionalFloat(v, o.zoom);
              }},
         }},
        {"Many pictures:",
         {
             {"", "--batch", "FILE",
              "render the jobs of FILE (- for standard input), one a line, each a\n"
              "JSON object whose keys are this text's long options without dashes:\n"
              "{\"project\": \"a.ctn\", \"output\": \"a.jpg\", \"face\": {\"front\": "
              "\"v2.png\"}};\n"
              "a job that fails is reported with its line and the others go on",
              [](RenderOptions& o, const std::string& v) {
                  if (v.empty()) {
                      return std::string("a file name, or - for standard input");
                  }
                  o.batch = v;
                  return std::string();
              }},
             {"", "--shard", "K/N",
              "render only the jobs on lines K, K + N, K + 2N, ... of the batch, so\n"
              "that N processes or machines share it",
              [](RenderOptions& o, const std::string& v) {
                  const auto slash = v.find('/');
                  int k = 0;
                  int n = 0;
                  if (slash != std::string::npos &&
                      parseInt(std::string_view(v).substr(0, slash), k) &&
                      parseInt(std::string_view(v).substr(slash + 1), n) && n >= 1 &&
                      n <= kMaxShardCount && k >= 1 && k <= n) {
                      o.shardIndex = k;
                      o.shardCount = n;
                      return std::string();
                  }
                  return "K/N with 1 <= K <= N <= " + std::to_string(kMaxShardCount);
              }},
             {"", "--cache-mb", "N",
              "keep up to N megabytes of decoded pictures for the batch's later jobs\n"
              "(default 512)",
              [](RenderOptions& o, const std::string& v) {
                  int n = 0;
                  if (parseInt(v, n) && n >= 0 && n <= kMaxCacheMb) {
                      o.cacheMb = n;
                      return std::string();
                  }
                  return "a whole number from 0 to " + std::to_string(kMaxCacheMb);
              }},
             {"", "--quiet", "", "no progress and no line for each job done; errors are still said",
              [](RenderOptions& o, const std::string&) {
                  o.quiet = true;
                  return std::string();
              }},
         }},
        {"Files and text:",
         {
             {"", "--save", "OUT.ctn",
              "write the project, with the changes above, to OUT.ctn. Picture paths\n"
              "given relative to the working directory, and relative paths stored in\n"
              "PROJECT, are rewritten relative to OUT.ctn's folder so the saved\n"
              "project finds its pictures; absolute paths are kept as they are",
              [](RenderOptions& o, const std::string& v) {
                  o.save = v;
                  return std::string();
              }},
             {"", "--print", "", "write the project record as JSON on standard output",
              [](RenderOptions& o, const std::string&) {
                  o.print = true;
                  return std::string();
              }},
             {"-h", "--help", "", "show this text",
              [](RenderOptions& o, const std::string&) {
                  o.help = true;
                  return std::string();
              }},
         }},
    };
    return groups;
}

// The options of a batch as a whole; every other option is a job's.
constexpr std::array<std::string_view, 4> kBatchOptions = {"--batch", "--shard", "--cache-mb",
                                                           "--quiet"};

const OptionSpec* findOption(std::string_view name) {
    for (const OptionGroup& group : optionGroups()) {
        for (const OptionSpec& option : group.options) {
            if (name == option.longName ||
                (!option.shortName.empty() && name == option.shortName)) {
                return &option;
            }
        }
    }
    return nullptr;
}

// Edits between a and b: insertions, deletions and substitutions, one each.
std::size_t editDistance(std::string_view a, std::string_view b) {
    std::vector<std::size_t> row(b.size() + 1);
    for (std::size_t j = 0; j <= b.size(); ++j) {
        row[j] = j;
    }
    for (std::size_t i = 1; i <= a.size(); ++i) {
        std::size_t diagonal = row[0];
        row[0] = i;
        for (std::size_t j = 1; j <= b.size(); ++j) {
            const std::size_t above = row[j];
            row[j] = std::min({row[j] + 1, row[j - 1] + 1, diagonal + (a[i - 1] != b[j - 1])});
            diagonal = above;
        }
    }
    return row[b.size()];
}

} // namespace

bool isBatchOption(std::string_view longName) {
    return std::find(kBatchOptions.begin(), kBatchOptions.end(), longName) != kBatchOptions.end();
}

std::string_view closestLongOption(std::string_view name) {
    constexpr std::size_t kMostEdits = 2;
    std::string_view best;
    std::size_t bestDistance = kMostEdits + 1;
    for (const OptionGroup& group : optionGroups()) {
        for (const OptionSpec& option : group.options) {
            // Lengths further apart than that need more edits: a long name costs no time.
            const std::size_t apart = std::max(name.size(), option.longName.size()) -
                                      std::min(name.size(), option.longName.size());
            if (apart > kMostEdits) {
                continue;
            }
            const std::size_t d = editDistance(name, option.longName);
            if (d < bestDistance) {
                best = option.longName;
                bestDistance = d;
            }
        }
    }
    return best;
}

namespace {

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
        if (result_.error.empty()) {
            checkBatch();
        }
        if (result_.error.empty() && o().output) {
            if (o().turntable) {
                chooseAnimation();
            } else {
                chooseOutputFormat();
            }
        }
        if (result_.error.empty()) {
            checkTurntable();
        }
        if (result_.error.empty() && o().transparent && !transparencyFits()) {
            // A JPEG, an H.264 video and a 3D model have no transparency to give.
            result_.error = "--transparent needs a PNG picture (-o FILE.png, or --format png), "
                            "PNG frames or a WebP";
        }
        return result_;
    }

private:
    RenderOptions& o() { return result_.options; }

    // A batch takes every job's settings from its manifest, and its own options need one.
    void checkBatch() {
        for (std::string_view name : seen_) {
            if (o().batch && !isBatchOption(name) && name != "--help") {
                result_.error =
                    std::string(name) +
                    " belongs in a job of the batch: give it as a key on the job's line";
                return;
            }
            if (!o().batch && isBatchOption(name)) {
                result_.error = std::string(name) + " needs --batch";
                return;
            }
        }
        if (o().batch && o().project) {
            result_.error = "a batch names its projects on its lines: " + *o().project;
        }
    }

    bool transparencyFits() {
        if (!o().output || o().model) {
            return false;
        }
        if (o().turntable && o().animationFormat != AnimationFormat::Frames) {
            return o().animationFormat == AnimationFormat::WebP;
        }
        return o().outputFormat == PictureFormat::Png;
    }

    // What only a turntable takes, and what a turntable cannot do without.
    void checkTurntable() {
        if (o().turntable && !o().output) {
            result_.error = "--turntable needs -o: a .webp, a .mp4 or frame names such as "
                            "frame-%03d.png";
        } else if (o().fps && !o().turntable) {
            result_.error = "--fps is for a turntable: add --turntable N";
        }
    }

    // An animation's format by -o's name: .webp, .mp4, or a frame pattern whose pictures are
    // as -o and --format say.
    void chooseAnimation() {
        const std::string& output = *o().output;
        if (o().model || isModelPath(output)) {
            result_.error = "--turntable renders pictures, not a 3D model: -o names a .webp, a "
                            ".mp4 or frame names such as frame-%03d.png";
            return;
        }
        if (o().pictureToStandardOutput()) {
            result_.error = "--turntable cannot write to standard output: -o names a .webp, a "
                            ".mp4 or frame names such as frame-%03d.png";
            return;
        }
        if (const auto format = animationFormatForPath(output)) {
            if (o().format) {
                result_.error = "--format is for pictures, not -o " + output;
            } else if (const Status fits = animationSizeFits(*format, o().width, o().height);
                       !fits) {
                result_.error = "--size: " + fits.message();
            } else if (const Status rate = animationRateFits(
                           *format, o().fps.value_or(kDefaultAnimationFps), *o().turntable);
                       !rate) {
                result_.error = "--fps: " + rate.message();
            } else {
                o().animationFormat = *format;
            }
            return;
        }
        if (const auto pattern = FramePattern::parse(output); !pattern) {
            result_.error = output.find('%') == std::string::npos
                                ? "--turntable wants -o FILE.webp, FILE.mp4 or numbered frames "
                                  "such as frame-%03d.png: " +
                                      output
                                : "-o " + output + ": " + pattern.status.message();
            return;
        }
        o().animationFormat = AnimationFormat::Frames;
        chooseOutputFormat();
    }

    // --format where given, else what the file's name says; standard output has its own default.
    void chooseOutputFormat() {
        const std::string& output = *o().output;
        if (!o().turntable &&
            (animationFormatForPath(output) || FramePattern::parse(output).ok())) {
            // One picture under a name meant for many would be a surprise.
            result_.error = "-o " + output + " is for a turntable: add --turntable N";
            return;
        }
        if (o().model && o().pictureToStandardOutput()) {
            result_.error = "--format glb writes a 3D model to a file: -o FILE.glb";
            return;
        }
        if (o().model && formatForPath(output)) {
            result_.error = "--format glb does not match -o " + output;
            return;
        }
        if (!o().pictureToStandardOutput() && isModelPath(output)) {
            if (o().format) {
                result_.error =
                    "--format " + formatName(*o().format) + " does not match -o " + output;
            }
            o().model = true;
            return;
        }
        if (o().model) {
            return;
        }
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
                "-o wants a file name ending in .jpg, .jpeg, .png or .glb, or --format: " + output;
        }
    }

    // A NUL byte ends a name where the system reads it: "a.ctn\0.png" would be taken as a PNG
    // and written over a.ctn.
    static bool holdsNul(const std::string& text) { return text.find('\0') != std::string::npos; }

    void positional(const std::string& arg) {
        if (holdsNul(arg)) {
            result_.error = "the project's name holds a NUL byte, which no file name can: " + arg;
        } else if (o().project) {
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
        const OptionSpec* known = findOption(name);
        if (!known) {
            const std::string_view closest = closestLongOption(name);
            result_.error = "unknown option " + name +
                            (closest.empty() ? "" : "; did you mean " + std::string(closest) + "?");
            return;
        }
        std::string value;
        if (known->argument.empty()) {
            if (inlineValue) {
                result_.error = name + " takes no value";
                return;
            }
        } else if (inlineValue) {
            value = *inlineValue;
        } else if (i_ + 1 < args_.size()) {
            value = args_[++i_];
        } else {
            result_.error = name + " needs a value";
            return;
        }
        if (holdsNul(value)) {
            result_.error = name + " holds a NUL byte, which no file name or value can: " + value;
            return;
        }
        seen_.push_back(known->longName);
        const std::string wants = known->apply(o(), value);
        if (!wants.empty()) {
            result_.error = name + " wants " + wants + ": " + value;
        }
    }

    const std::vector<std::string>& args_;
    std::size_t i_ = 0;
    ParseResult result_;
    std::vector<std::string_view> seen_; // long names, in order
};

// The usage line of one option, and its help lines beside and below it.
constexpr std::size_t kHelpColumn = 25;

std::string optionHelp(const OptionSpec& option) {
    std::string left =
        option.shortName.empty() ? "      " : "  " + std::string(option.shortName) + ", ";
    left += option.longName;
    if (!option.argument.empty()) {
        left += " " + std::string(option.argument);
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

std::optional<bool> optionTakesValue(std::string_view longName) {
    const OptionSpec* option = longName.starts_with("--") ? findOption(longName) : nullptr;
    if (!option) {
        return std::nullopt;
    }
    return !option->argument.empty();
}

ParseResult parseRenderOptions(const std::vector<std::string>& args) {
    return Parser(args).run();
}

namespace {

// Every option by group, as --help lists them.
std::string renderOptionList() {
    std::string text;
    for (const OptionGroup& group : optionGroups()) {
        text += text.empty() ? "" : "\n";
        text += std::string(group.heading) + "\n";
        for (const OptionSpec& option : group.options) {
            text += optionHelp(option);
        }
    }
    return text;
}

} // namespace

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
