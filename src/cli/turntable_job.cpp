#include "cli/turntable_job.h"

#include "render/turntable_frames.h"

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

Status writeTurntable(HeadlessRenderer& renderer, const ProjectData& data, const SlotImages& images,
                      const Camera& start, const RenderOptions& options,
                      const RenderSettings& settings) {
    const std::string named = *options.output + ": ";
    // Before anything is drawn: a file that cannot be written, or no ffmpeg, fails at once.
    auto opened = openAnimationWriter(*options.output, animationSettingsFor(options));
    if (!opened) {
        return opened.status.prefixed(named);
    }
    AnimationWriter& writer = *opened.value;
    if (Status current = renderer.makeCurrent(); !current) {
        return current;
    }
    const auto pictures =
        settings.pictures ? SceneResources::Pictures::Skip : SceneResources::Pictures::Upload;
    TurntableFrames frames(data, renderer.textures(data, images, pictures), start,
                           *options.turntable, options.width, options.height, settings);
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
