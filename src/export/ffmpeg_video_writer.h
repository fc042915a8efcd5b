#pragma once

// An MP4 video encoded by the ffmpeg program (H.264 through libx264, 4:2:0, the index at the
// front so a browser plays it while it loads). Frames go to ffmpeg's standard input as raw RGBA
// through a socket, so a program whose ffmpeg died gets an error rather than SIGPIPE; ffmpeg
// writes the video into the unnamed file that replaces path (model/replacement_file.h), which
// it opens again through /proc/self/fd. What ffmpeg says on its standard error is kept for the
// error message.

#include "export/animation_writer.h"

#include <optional>
#include <string>

namespace cartonic {

// The program's name, looked for on PATH.
inline constexpr const char* kFfmpegProgram = "ffmpeg";

// The first executable file named name in PATH's folders (name itself when it holds a '/');
// none when there is no such file.
std::optional<std::string> findProgram(const std::string& name);

// A writer of a settings.width x settings.height video at settings.fps to path. ffmpeg is started
// now; Unavailable, with a one-line reason, when it is not on PATH or cannot be started, and the
// file's own failure when path cannot be written. Sizes must be even (animationSizeFits).
Result<std::unique_ptr<AnimationWriter>> openFfmpegVideo(const std::string& path,
                                                         const AnimationSettings& settings);

} // namespace cartonic
