#pragma once

// Writing an animation a frame at a time, so that a turntable of any length holds one rendered
// frame in memory: numbered pictures, an animated WebP, or an MP4 video that the ffmpeg program
// encodes. The WebP and the video are written whole or not at all, as a picture is
// (base/replacement_file.h): a failure, a writer dropped before finish, or the process dying
// leaves no file and any earlier one untouched. Numbered frames are each written whole as they
// come; a failure part-way keeps the frames written before it.

#include "base/status.h"
#include "formats/picture_writer.h"
#include "model/limits.h"

#include <memory>
#include <optional>
#include <string>

namespace cartonic {

struct RgbaPicture;

enum class AnimationFormat {
    Frames, // a picture a frame, named by a FramePattern (export/frame_pattern.h)
    WebP,   // one animated WebP, looping for ever
    Mp4,    // one H.264 video in an MP4 file, through ffmpeg
};

// The format a file name asks for by its extension (.webp, .mp4, any case); none otherwise.
// Frames are asked for by a pattern, which this does not look at.
std::optional<AnimationFormat> animationFormatForPath(const std::string& path);

// Whether a width x height animation can be written in format: an MP4 video's H.264 frames
// (4:2:0) need an even width and height. Usage, with a one-line reason, when it cannot.
Status animationSizeFits(AnimationFormat format, int width, int height);

// Whether frames frames at fps (frames a second) can be written in format: an MP4 video at
// kMinVideoFps or more, a WebP as slow as its clock lets it (leastWebPFps); numbered frames
// have no rate. Usage, with a one-line reason that names the least rate, when they cannot.
Status animationRateFits(AnimationFormat format, double fps, int frames);

struct AnimationSettings {
    AnimationFormat format = AnimationFormat::WebP;
    int width = 0; // every frame's size in pixels
    int height = 0;
    double fps = kDefaultAnimationFps;
    PictureFormat frameFormat = PictureFormat::Png; // numbered frames' pictures
    // JPEG frames' quality; a WebP's when lossy (else it is lossless). MP4 takes ffmpeg's own.
    int quality = kExportJpegQuality;
    bool lossy = false;
};

class AnimationWriter {
public:
    // A writer dropped before finish leaves what the file comment says; an encoder it started
    // is stopped.
    virtual ~AnimationWriter() = default;
    AnimationWriter() = default;
    AnimationWriter(const AnimationWriter&) = delete;
    AnimationWriter& operator=(const AnimationWriter&) = delete;

    // Adds the next frame, of the settings' size; a transparent frame keeps its alpha in PNG
    // frames and in WebP. On failure, with a one-line reason, the writer is done for.
    virtual Status addFrame(const RgbaPicture& frame) = 0;

    // Completes the animation after its last frame and gives the file its name. A failure, with
    // a one-line reason, leaves no file.
    virtual Status finish() = 0;
};

// A writer of settings.format to path (for Frames, a FramePattern's text). Checks what can be
// checked before any frame: the pattern, the size, the folder and the file to replace (a path
// that exists and is not a regular file is refused), and for MP4 that ffmpeg is on PATH. A bad
// size or pattern is Usage; no ffmpeg Unavailable; a file that cannot be made WriteFailed.
Result<std::unique_ptr<AnimationWriter>> openAnimationWriter(const std::string& path,
                                                             const AnimationSettings& settings);

} // namespace cartonic
