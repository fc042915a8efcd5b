#pragma once

// cartonic-render's --turntable: the frames of a turn around the box, rendered one at a time in
// the job's one context and handed to an animation writer (export/animation_writer.h).

#include "cli/render_options.h"
#include "render/headless_renderer.h"

#include <string>

namespace cartonic {

// What options ask the animation writer for.
AnimationSettings animationSettingsFor(const RenderOptions& options);

// Renders options.turntable frames of data (its pictures in images) with renderer, from start,
// drawn as settings say, into *options.output. A failure says "NAME: reason" (NAME the file, or the
// frame, that failed) with the kind of the step that failed; a WebP or video is then not written at
// all.
Status writeTurntable(HeadlessRenderer& renderer, const ProjectData& data, const SlotImages& images,
                      const Camera& start, const RenderOptions& options,
                      const RenderSettings& settings);

} // namespace cartonic
