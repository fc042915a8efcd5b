#pragma once

#include "base/status.h"
#include "formats/animation_writer.h"
#include "formats/picture_writer.h"
#include "image/dieline.h"
#include "model/limits.h"
#include "model/project_data.h"
#include "render/render_to_buffer.h"

#include <array>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace cartonic {

inline constexpr int kDefaultRenderWidth = 800;
inline constexpr int kDefaultRenderHeight = 600;
inline constexpr int kMinJpegQuality = 1;
inline constexpr int kMaxJpegQuality = 100;
// The name that stands for a standard stream where a file name goes: standard output for -o,
// standard input for --batch.
inline constexpr std::string_view kStandardStream = "-";
// The format written to standard output unless --format names one: lossless, and read by
// whatever reads pictures, so a pipe loses nothing by default.
inline constexpr PictureFormat kStandardOutputFormat = PictureFormat::Png;
// --shard's count is at most this; --cache-mb's megabytes at most kMaxCacheMb.
inline constexpr int kMaxShardCount = 1000000;
inline constexpr int kMaxCacheMb = 1 << 20;
inline constexpr int kDefaultCacheMb = 512;
// A path field holds this many bytes of text before its terminator.
inline constexpr std::size_t kMaxStoredPath = kPathSize - 1;

// A picture named on the command line for one slot: 0..5 a face, kFloorSlot the floor.
struct PictureChoice {
    int slot = 0;
    std::string path; // as given, relative to the working directory unless absolute

    bool operator==(const PictureChoice&) const = default;
};

// What one run of cartonic-render is asked to do, as parsed from its command line.
struct RenderOptions {
    std::optional<std::string> project;      // start from the start-up project when absent
    std::optional<std::array<float, 3>> box; // box scales, each in (0, 50]
    std::vector<PictureChoice> pictures;     // one per slot at most, in slot order
    std::array<std::optional<int>, kFaceCount> orientations; // Orientation values, by face
    std::optional<std::string> preset;                       // a kProductPresets key
    bool listPresets = false;
    // A net whose panels become the faces' pictures (those no --face names), laid as
    // dielineLayout, with a glue flap of glueFlap pixels at the end of its row.
    std::optional<std::string> dieline;
    DielineLayout dielineLayout = DielineLayout::Cross;
    int glueFlap = 0;
    std::optional<std::string> save;
    bool print = false;
    // The project's look, each SceneLook::kMin..kMax, and its pictures kept inside: taken in on
    // --save, written out to a folder.
    std::optional<float> shadowSoftness;
    std::optional<float> reflectionFade;
    bool embedPictures = false;
    std::optional<std::string> extractPictures;
    std::optional<std::string> output;   // picture to render; kStandardStream for standard output
    std::optional<PictureFormat> format; // as --format names it
    PictureFormat outputFormat = PictureFormat::Jpeg; // --format's, or as output's name says
    // The box as a 3D model (binary glTF) instead of a picture: -o FILE.glb or --format glb.
    bool model = false;
    int width = kDefaultRenderWidth;
    int height = kDefaultRenderHeight;
    int quality = kExportJpegQuality;
    bool qualityGiven = false;    // makes a WebP turntable lossy
    int samples = kSmoothSamples; // one of kSampleCounts
    bool transparent = false;     // PNG output only
    // Camera changes from the start-up camera, applied in this order.
    std::optional<float> fov;   // degrees, kMinFov..kMaxFov
    std::optional<float> yaw;   // radians
    std::optional<float> pitch; // radians
    std::optional<float> zoom;  // world units towards the target
    // Frames of a turn around the box (kMinTurntableFrames..kMaxTurntableFrames): output is then
    // an animation of animationFormat, its frames (when numbered) of outputFormat.
    std::optional<int> turntable;
    AnimationFormat animationFormat = AnimationFormat::Frames;
    std::optional<double> fps; // frames a second, (0, kMaxAnimationFps]; kDefaultAnimationFps
    bool help = false;
    // A batch: jobs from a manifest (kStandardStream for standard input), the share of them this
    // process renders (shardIndex of shardCount, from 1), its picture cache and its chatter.
    std::optional<std::string> batch;
    int shardIndex = 1;
    int shardCount = 1;
    int cacheMb = kDefaultCacheMb;
    bool quiet = false;

    bool pictureToStandardOutput() const { return output == kStandardStream; }
};

// Parses argv[1..]; never exits, prints or touches a file. A command line that cannot be used is
// Usage, with the one reason it is shown for (exit status 2).
Result<RenderOptions> parseRenderOptions(const std::vector<std::string>& args);

} // namespace cartonic
