#include "cli/option_table.h"

#include "cli/option_values.h"
#include "cli/render_options.h"
#include "formats/animation_writer.h"
#include "model/product_presets.h"
#include "model/scene_look.h"
#include "render/turntable_frames.h"

#include <algorithm>
#include <vector>

namespace cartonic {

namespace {

// An option's refusal of a value, saying what the value wants; the parser names the option
// before it and the value after it.
Status wants(const std::string& what) {
    return Status::usage("wants " + what);
}

Status wantsNumberFrom(float low, float high, std::string_view unit) {
    return wants(std::string(unit) + " from " + shortestText(low) + " to " + shortestText(high));
}

// Any finite number into field.
Status takeNumber(const std::string& value, std::optional<float>& field) {
    float f = 0.0f;
    if (!parseFloat(value, f)) {
        return wants("a number");
    }
    field = f;
    return {};
}

const std::string kPathTooLong =
    "an image path of at most " + std::to_string(kMaxStoredPath) + " bytes";

std::string faceNameList() {
    std::string names;
    for (std::string_view name : kFaceNames) {
        names += names.empty() ? "" : ", ";
        names += name;
    }
    return names;
}

void choosePicture(std::vector<PictureChoice>& pictures, int slot, std::string path) {
    // A later choice for the same slot replaces the earlier one, as a later option usually does.
    std::erase_if(pictures, [slot](const PictureChoice& p) { return p.slot == slot; });
    pictures.push_back({slot, std::move(path)});
    std::sort(pictures.begin(), pictures.end(),
              [](const PictureChoice& a, const PictureChoice& b) { return a.slot < b.slot; });
}

// The table itself: what each option is called, takes, says in --help and does.
constexpr OptionDefinition kOutputOptions[] = {
    {"-o", "--output", "FILE",
     "render the scene to FILE: JPEG for .jpg/.jpeg, PNG for .png;\n"
     "with FILE -, the picture goes to standard output (PNG unless\n"
     "--format says otherwise) and nothing else is printed there;\n"
     "with --turntable, an animation (see below). FILE.glb gets the box\n"
     "as a 3D model (binary glTF) for web pages and AR viewers instead;\n"
     "no camera or picture option applies",
     [](RenderOptions& o, const std::string& v) -> Status {
         o.output = v;
         return {};
     }},
    {"", "--format", "png|jpeg|glb",
     "the picture's format, for a FILE named otherwise or for -; a FILE\n"
     "named .png, .jpg, .jpeg or .glb must agree with it; glb, the 3D\n"
     "model, is written to a FILE only",
     [](RenderOptions& o, const std::string& v) -> Status {
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
             return wants("png, jpeg or glb");
         }
         return {};
     }},
    {"", "--size", "WxH",
     "picture size, 1 to 8192 pixels a side (default 800x600); the view\n"
     "is as wide as the picture, so no shape stretches it",
     [](RenderOptions& o, const std::string& v) -> Status {
         if (parseSize(v, o.width, o.height)) {
             return {};
         }
         return wants("WxH, each from 1 to " + std::to_string(kMaxRenderSide));
     }},
    {"", "--quality", "N",
     "JPEG quality 1 to 100 (default 92, as the application's export);\n"
     "PNG ignores it; a .webp turntable is lossy at it when given,\n"
     "else lossless; a .mp4 takes ffmpeg's own",
     [](RenderOptions& o, const std::string& v) -> Status {
         int n = 0;
         if (parseInt(v, n) && n >= kMinJpegQuality && n <= kMaxJpegQuality) {
             o.quality = n;
             o.qualityGiven = true;
             return {};
         }
         return wants("a whole number from " + std::to_string(kMinJpegQuality) + " to " +
                      std::to_string(kMaxJpegQuality));
     }},
    {"", "--samples", "N",
     "samples a pixel for smooth edges: 1 (aliased), 2, 4, 8, 16, 32\n"
     "or 64 (default 32, as the application's export); beyond what the\n"
     "driver multisamples at once, shifted passes are averaged where\n"
     "the picture has detail",
     [](RenderOptions& o, const std::string& v) -> Status {
         int n = 0;
         if (parseInt(v, n) &&
             std::find(kSampleCounts.begin(), kSampleCounts.end(), n) != kSampleCounts.end()) {
             o.samples = n;
             return {};
         }
         return wants("1, 2, 4, 8, 16, 32 or 64");
     }},
    {"", "--transparent", "",
     "a PNG picture (or PNG frames, or a WebP) whose background and floor\n"
     "are see-through; the box, its reflection and its shadow keep their\n"
     "opacity",
     [](RenderOptions& o, const std::string&) -> Status {
         o.transparent = true;
         return {};
     }},
};

constexpr OptionDefinition kTurntableOptions[] = {
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
     [](RenderOptions& o, const std::string& v) -> Status {
         int n = 0;
         if (parseInt(v, n) && n >= kMinTurntableFrames && n <= kMaxTurntableFrames) {
             o.turntable = n;
             return {};
         }
         return wants("a whole number from " + std::to_string(kMinTurntableFrames) + " to " +
                      std::to_string(kMaxTurntableFrames));
     }},
    {"", "--fps", "F",
     "frames a second of a .webp or .mp4 turntable, at most 120\n"
     "(default 24); at least 0.01 for a .mp4, and for a .webp enough\n"
     "that a frame shows at most 16777 s and the whole turn at most\n"
     "2147483 s",
     [](RenderOptions& o, const std::string& v) -> Status {
         // A double, as the writers take it: 0.01 as a float is less than 0.01.
         double f = 0.0;
         if (parseFloat(v, f) && f > 0.0 && f <= kMaxAnimationFps) {
             o.fps = f;
             return {};
         }
         return wants("frames a second, more than 0 and at most " + shortestText(kMaxAnimationFps));
     }},
};

constexpr OptionDefinition kProjectOptions[] = {
    {"", "--face", "NAME=IMAGE",
     "put IMAGE on face NAME: Top, Bottom, Front, Back, Right or Left,\n"
     "in any case; repeat it for more faces (for one face, the\n"
     "last given counts). IMAGE may be an SVG or a PDF, drawn at the\n"
     "size the picture needs; FILE.pdf#page=N takes page N, not the first",
     [](RenderOptions& o, const std::string& v) -> Status {
         int slot = -1;
         std::string_view path;
         if (!splitFaceAssignment(v, slot, path) || path.empty()) {
             return wants("NAME=IMAGE with NAME one of " + faceNameList());
         }
         if (path.size() > kMaxStoredPath) {
             return wants(kPathTooLong);
         }
         choosePicture(o.pictures, slot, std::string(path));
         return {};
     }},
    {"", "--floor", "IMAGE",
     "use IMAGE as the floor picture (shown when the project has floor\n"
     "texturing on, as the default project has); an SVG or PDF too",
     [](RenderOptions& o, const std::string& v) -> Status {
         if (v.empty()) {
             return wants("an image file");
         }
         if (v.size() > kMaxStoredPath) {
             return wants(kPathTooLong);
         }
         choosePicture(o.pictures, kFloorSlot, v);
         return {};
     }},
    {"", "--box", "W,D,H", "box scales (half width, half depth, half height), each in (0, 50]",
     [](RenderOptions& o, const std::string& v) -> Status {
         std::array<float, 3> box{};
         if (!parseBox(v, box)) {
             return wants("W,D,H, each greater than 0 and at most " + shortestText(kMaxBoxScale));
         }
         o.box = box;
         return {};
     }},
    {"", "--orientation", "NAME=N",
     "lay face NAME's picture: 0 as loaded, 1 mirror top to bottom,\n"
     "2 mirror left to right, 3 turn 90, 4 turn 180, 5 turn 270 degrees",
     [](RenderOptions& o, const std::string& v) -> Status {
         int slot = -1;
         int n = 0;
         std::string_view digits;
         if (splitFaceAssignment(v, slot, digits) && parseInt(digits, n) && n >= AsLoaded &&
             n <= Turn270) {
             o.orientations[static_cast<std::size_t>(slot)] = n;
             return {};
         }
         return wants("NAME=N with NAME one of " + faceNameList() + " and N from " +
                      std::to_string(AsLoaded) + " to " + std::to_string(Turn270));
     }},
};

std::string presetKeyList() {
    std::string keys;
    for (const ProductPreset& preset : kProductPresets) {
        keys += keys.empty() ? "" : ", ";
        keys += preset.key;
    }
    return keys;
}

constexpr OptionDefinition kProductOptions[] = {
    {"", "--preset", "NAME",
     "give the box a real product's proportions (see --list-presets),\n"
     "its largest side as long as before; a book's top, bottom and\n"
     "fore-edge get a page-edge picture unless another picture is named",
     [](RenderOptions& o, const std::string& v) -> Status {
         if (!findProductPreset(v)) {
             return wants("one of " + presetKeyList());
         }
         o.preset = v;
         return {};
     }},
    {"", "--list-presets", "", "list the product presets with their sizes in millimetres",
     [](RenderOptions& o, const std::string&) -> Status {
         o.listPresets = true;
         return {};
     }},
    {"", "--dieline", "FILE",
     "cut the flat carton in FILE into the six faces' pictures, for the\n"
     "box's proportions (--box, or the project's); --face still names a\n"
     "face's picture. The pictures are kept in the data folder the\n"
     "application keeps pasted pictures in",
     [](RenderOptions& o, const std::string& v) -> Status {
         if (v.empty()) {
             return wants("a picture of the unfolded box");
         }
         o.dieline = v;
         return {};
     }},
    {"", "--dieline-layout", "cross|row",
     "cross (default): side, front, side, back in a row, the top above\n"
     "and the bottom below the front; row: front, side, back, side",
     [](RenderOptions& o, const std::string& v) -> Status {
         const auto layout = dielineLayoutNamed(v);
         if (!layout) {
             return wants("cross or row");
         }
         o.dielineLayout = *layout;
         return {};
     }},
    {"", "--glue-flap", "PX",
     "the dieline's glue flap at the end of its row is PX pixels wide\n"
     "(default 0, none)",
     [](RenderOptions& o, const std::string& v) -> Status {
         int n = 0;
         if (parseInt(v, n) && n >= 0 && n < kMaxNetSide) {
             o.glueFlap = n;
             return {};
         }
         return wants("a whole number of pixels from 0 to " + std::to_string(kMaxNetSide - 1));
     }},
};

// A setting of the scene's look, SceneLook::kMin..kMax, into field.
Status takeLook(const std::string& value, std::optional<float>& field) {
    float f = 0.0f;
    if (parseFloat(value, f) && f >= SceneLook::kMin && f <= SceneLook::kMax) {
        field = f;
        return {};
    }
    return wantsNumberFrom(SceneLook::kMin, SceneLook::kMax, "a number");
}

constexpr OptionDefinition kLookAndSharingOptions[] = {
    {"", "--shadow-softness", "S",
     "soften the shadow: 0 (the default) a hard shadow, up to 1 the light\n"
     "spread over a disc; kept in the project",
     [](RenderOptions& o, const std::string& v) -> Status {
         return takeLook(v, o.shadowSoftness);
     }},
    {"", "--reflection-fade", "F",
     "fade the reflection with height: 0 (the default) a perfect mirror,\n"
     "F > 0 gone at F times the box's height; kept in the project",
     [](RenderOptions& o, const std::string& v) -> Status {
         return takeLook(v, o.reflectionFade);
     }},
    {"", "--embed-pictures", "",
     "with --save, keep each face's and the floor's picture file inside\n"
     "the saved project, so it renders and opens anywhere on its own",
     [](RenderOptions& o, const std::string&) -> Status {
         o.embedPictures = true;
         return {};
     }},
    {"", "--extract-pictures", "DIR",
     "write the pictures kept inside PROJECT into DIR (made when missing)\n"
     "and point its faces and floor at them, for --save",
     [](RenderOptions& o, const std::string& v) -> Status {
         if (v.empty()) {
             return wants("a folder");
         }
         o.extractPictures = v;
         return {};
     }},
};

constexpr OptionDefinition kCameraOptions[] = {
    {"", "--fov", "DEG", "field of view, 20 to 75 degrees (default 45)",
     [](RenderOptions& o, const std::string& v) -> Status {
         float f = 0.0f;
         if (parseFloat(v, f) && f >= kMinFov && f <= kMaxFov) {
             o.fov = f;
             return {};
         }
         return wantsNumberFrom(kMinFov, kMaxFov, "degrees");
     }},
    {"", "--yaw", "RAD",
     "orbit around the box's vertical axis, radians, positive turns\n"
     "counter-clockwise seen from above",
     [](RenderOptions& o, const std::string& v) -> Status {
         return takeNumber(v, o.yaw);
     }},
    {"", "--pitch", "RAD", "orbit up (positive) or down over the box, radians",
     [](RenderOptions& o, const std::string& v) -> Status {
         return takeNumber(v, o.pitch);
     }},
    {"", "--zoom", "UNITS",
     "move the eye towards the target by UNITS world units (negative moves\n"
     "away); the eye starts about 13.3 units from the target",
     [](RenderOptions& o, const std::string& v) -> Status {
         return takeNumber(v, o.zoom);
     }},
};

constexpr OptionDefinition kBatchOptions[] = {
    {"", "--batch", "FILE",
     "render the jobs of FILE (- for standard input), one a line, each a\n"
     "JSON object whose keys are this text's long options without dashes:\n"
     "{\"project\": \"a.ctn\", \"output\": \"a.jpg\", \"face\": {\"front\": "
     "\"v2.png\"}};\n"
     "a job that fails is reported with its line and the others go on",
     [](RenderOptions& o, const std::string& v) -> Status {
         if (v.empty()) {
             return wants("a file name, or - for standard input");
         }
         o.batch = v;
         return {};
     }},
    {"", "--shard", "K/N",
     "render only the jobs on lines K, K + N, K + 2N, ... of the batch, so\n"
     "that N processes or machines share it",
     [](RenderOptions& o, const std::string& v) -> Status {
         const auto slash = v.find('/');
         int k = 0;
         int n = 0;
         if (slash != std::string::npos && parseInt(std::string_view(v).substr(0, slash), k) &&
             parseInt(std::string_view(v).substr(slash + 1), n) && n >= 1 && n <= kMaxShardCount &&
             k >= 1 && k <= n) {
             o.shardIndex = k;
             o.shardCount = n;
             return {};
         }
         return wants("K/N with 1 <= K <= N <= " + std::to_string(kMaxShardCount));
     }},
    {"", "--cache-mb", "N",
     "keep up to N megabytes of decoded pictures for the batch's later jobs\n"
     "(default 512)",
     [](RenderOptions& o, const std::string& v) -> Status {
         int n = 0;
         if (parseInt(v, n) && n >= 0 && n <= kMaxCacheMb) {
             o.cacheMb = n;
             return {};
         }
         return wants("a whole number from 0 to " + std::to_string(kMaxCacheMb));
     }},
    {"", "--quiet", "", "no progress and no line for each job done; errors are still said",
     [](RenderOptions& o, const std::string&) -> Status {
         o.quiet = true;
         return {};
     }},
};

constexpr OptionDefinition kFileOptions[] = {
    {"", "--save", "OUT.ctn",
     "write the project, with the changes above, to OUT.ctn. Picture paths\n"
     "given relative to the working directory, and relative paths stored in\n"
     "PROJECT, are rewritten relative to OUT.ctn's folder so the saved\n"
     "project finds its pictures; absolute paths are kept as they are",
     [](RenderOptions& o, const std::string& v) -> Status {
         o.save = v;
         return {};
     }},
    {"", "--print", "",
     "write the project record as JSON on standard output, and under\n"
     "\"extension\" its look and the pictures kept inside it, when it has any",
     [](RenderOptions& o, const std::string&) -> Status {
         o.print = true;
         return {};
     }},
    {"-h", "--help", "", "show this text",
     [](RenderOptions& o, const std::string&) -> Status {
         o.help = true;
         return {};
     }},
};

constexpr OptionGroup kOptionGroups[] = {
    {"Output:", kOutputOptions},
    {"Turntable:", kTurntableOptions},
    {"Project:", kProjectOptions},
    {"Product and dieline:", kProductOptions},
    {"Look, and pictures inside the project:", kLookAndSharingOptions},
    {"Camera, changed from where the application starts it (eye at 9,-9,9 looking at 0,0,5),\n"
     "in this order:",
     kCameraOptions},
    {.heading = "Many pictures:", .options = kBatchOptions, .batchOnly = true},
    {"Files and text:", kFileOptions},
};

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

std::span<const OptionGroup> optionGroups() {
    return kOptionGroups;
}

const OptionDefinition* findOption(std::string_view name) {
    for (const OptionGroup& group : kOptionGroups) {
        for (const OptionDefinition& option : group.options) {
            if (name == option.longName ||
                (!option.shortName.empty() && name == option.shortName)) {
                return &option;
            }
        }
    }
    return nullptr;
}

std::optional<bool> optionTakesValue(std::string_view longName) {
    const OptionDefinition* option = longName.starts_with("--") ? findOption(longName) : nullptr;
    if (!option) {
        return std::nullopt;
    }
    return !option->argument.empty();
}

bool isBatchOption(std::string_view longName) {
    return std::any_of(
        std::begin(kOptionGroups), std::end(kOptionGroups), [longName](const OptionGroup& group) {
            return group.batchOnly && std::any_of(group.options.begin(), group.options.end(),
                                                  [longName](const OptionDefinition& option) {
                                                      return option.longName == longName;
                                                  });
        });
}

std::string_view closestLongOption(std::string_view name) {
    constexpr std::size_t kMostEdits = 2;
    std::string_view best;
    std::size_t bestDistance = kMostEdits + 1;
    for (const OptionGroup& group : kOptionGroups) {
        for (const OptionDefinition& option : group.options) {
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

} // namespace cartonic
