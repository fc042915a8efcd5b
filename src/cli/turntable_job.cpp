#include "cli/turntable_job.h"

#include "export/turntable_frames.h"

namespace cartonic {

AnimationSettings animationSettingsFor(const RenderOptions& options) {
    AnimationSettings settings;
    settings.format = options.animationFormat;
    settings.width = options.width;
    settings.height = options.height;
    settings.fps = options.fps.value_or(kDefaultAnimationFps);
    settings.frameFormat = options.outputFormat;
    settings.quality = options.quality;
    settings.lossy = options.qualityGiven;
    return settings;
}

Status writeTurntable(HeadlessRenderer& renderer, ProjectData& data, const Camera& start,
                      const RenderOptions& options, const RenderSettings& settings) {
    const std::string named = *options.output + ": ";
    // Before anything is drawn: a file that cannot be written, or no ffmpeg, fails at once.
    auto opened = openAnimationWriter(*options.output, animationSettingsFor(options));
    if (!opened) {
        return opened.status.prefixed(named);
    }
    AnimationWriter& writer = *opened.value;
    renderer.makeCurrent();
    TurntableFrames frames(data, start, *options.turntable, options.width, options.height,
                           settings);
    RgbaPicture frame;
    for (int i = 0; i < frames.count(); ++i) {
        if (Status drawn = frames.render(i, frame); !drawn) {
            return drawn;
        }
        if (Status added = writer.addFrame(frame); !added) {
            // A numbered frame's reason starts with that frame's own name.
            return options.animationFormat == AnimationFormat::Frames ? added
                                                                      : added.prefixed(named);
        }
    }
    return writer.finish().prefixed(named);
}

} // namespace cartonic
