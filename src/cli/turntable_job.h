#pragma once

// cartonic-render's --turntable, as the export core takes it.

#include "cli/render_options.h"
#include "export/exports.h"

namespace cartonic {

// What options ask of a turntable: the animation writer's settings, the frames, samples and
// transparency.
TurntableRequest turntableRequestFor(const RenderOptions& options);

} // namespace cartonic
