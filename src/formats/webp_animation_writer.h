#pragma once

// An animated WebP through libwebp's animation encoder: lossless unless asked for lossy at a
// quality, each frame shown 1/fps seconds (rounded to the millisecond the format counts in),
// looping for ever. The encoder keeps the frames it has compressed until finish writes them.

#include "formats/animation_writer.h"

#include <limits>

namespace cartonic {

// The format keeps a frame's duration in 24 bits of milliseconds; the encoder counts the
// animation's time in an int of them.
inline constexpr double kMillisecondsPerSecond = 1000.0;
inline constexpr double kMaxWebPFrameMilliseconds = (1 << 24) - 1;
inline constexpr double kMaxWebPMilliseconds = std::numeric_limits<int>::max();

// The fewest frames a second at which a WebP of frames frames keeps within both.
constexpr double leastWebPFps(int frames) {
    const double longest = kMaxWebPMilliseconds / frames;
    return kMillisecondsPerSecond /
           (longest < kMaxWebPFrameMilliseconds ? longest : kMaxWebPFrameMilliseconds);
}

// A writer of a settings.width x settings.height WebP to path, which is checked (and its
// replacement started) now; fails with a one-line reason.
Result<std::unique_ptr<AnimationWriter>> openWebPAnimation(const std::string& path,
                                                           const AnimationSettings& settings);

} // namespace cartonic
