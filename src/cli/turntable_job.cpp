#include "cli/turntable_job.h"

namespace cartonic {

TurntableRequest turntableRequestFor(const RenderOptions& options) {
    TurntableRequest request;
    AnimationSettings& settings = request.animation;
    settings.format = options.animationFormat;
    settings.width = options.width;
    settings.height = options.height;
    settings.fps = options.fps.value_or(kDefaultAnimationFps);
    settings.frameFormat = options.outputFormat;
    settings.quality = options.quality;
    settings.lossy = options.qualityGiven;
    request.frames = options.turntable.value_or(0);
    request.samples = options.samples;
    request.transparent = options.transparent;
    return request;
}

} // namespace cartonic
