#pragma once

// An animated WebP through libwebp's animation encoder: lossless unless asked for lossy at a
// quality, each frame shown 1/fps seconds (rounded to the millisecond the format counts in),
// looping for ever. The encoder keeps the frames it has compressed until finish writes them.

#include "export/animation_writer.h"

namespace cartonic {

// A writer of a settings.width x settings.height WebP to path, which is checked (and its
// replacement started) now; fails with a one-line reason.
Result<std::unique_ptr<AnimationWriter>> openWebPAnimation(const std::string& path,
                                                           const AnimationSettings& settings);

} // namespace cartonic
