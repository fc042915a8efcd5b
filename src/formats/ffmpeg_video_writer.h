#pragma once

// An MP4 video encoded by the ffmpeg program (H.264 through libx264, 4:2:0, the index at the
// front so a browser plays it while it loads). Frames go to ffmpeg's standard input as raw RGBA
// through a socket, so a program whose ffmpeg died gets an error rather than SIGPIPE; ffmpeg
// writes the video into the unnamed file that replaces path (base/replacement_file.h), which
// it opens again through /proc/self/fd. What ffmpeg says on its standard error is kept for the
// error message. ffmpeg is trusted with nothing: every wait for it is bounded, and what it wrote
// is looked at before it replaces anything.

#include "formats/animation_writer.h"

#include <chrono>
#include <optional>
#include <string>

namespace cartonic {

// The program's name, looked for on PATH.
inline constexpr const char* kFfmpegProgram = "ffmpeg";

// How long ffmpeg may take before it is taken to hang, and stopped: a wait for it to take a
// frame may last allowance plus the frame's pixels times perPixel; the wait for it to end after
// the last frame, allowance plus every frame's pixels times perPixel. The defaults give a 1080p
// frame two seconds, ten times what a slow machine needs, and a minute to start and to end.
struct FfmpegPatience {
    std::chrono::milliseconds allowance{std::chrono::minutes(1)};
    std::chrono::nanoseconds perPixel{std::chrono::microseconds(1)};
};

// The first executable file named name in PATH's folders (name itself when it holds a '/');
// none when there is no such file.
std::optional<std::string> findProgram(const std::string& name);

// A writer of a settings.width x settings.height video at settings.fps to path. ffmpeg is started
// now; Unavailable, with a one-line reason, when it is not on PATH or cannot be started, and the
// file's own failure when path cannot be written. Sizes must be even (animationSizeFits). The
// video replaces path only when ffmpeg ends well having written an MP4 file (one that starts
// with its ftyp box); else, or when ffmpeg outlasts patience and is stopped, the writer fails
// (WriteFailed) with a one-line reason.
Result<std::unique_ptr<AnimationWriter>> openFfmpegVideo(const std::string& path,
                                                         const AnimationSettings& settings,
                                                         const FfmpegPatience& patience = {});

} // namespace cartonic
