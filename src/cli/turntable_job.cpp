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

bool writeTurntable(HeadlessRenderer& renderer, ProjectData& data, const Camera& start,
                    const RenderOptions& options, const RenderSettings& settings,
                    std::string* why) {
    const std::string& output = *options.output;
    Status step;
    const auto failed = [&](bool named) {
        if (why) {
            *why = named ? step.message() : output + ": " + step.message();
        }
        return false;
    };
    // Before anything is drawn: a file that cannot be written, or no ffmpeg, fails at once.
    auto opened = openAnimationWriter(output, animationSettingsFor(options));
    if (!opened) {
        step = opened.status;
        return failed(false);
    }
    const std::unique_ptr<AnimationWriter>& writer = opened.value;
    renderer.makeCurrent();
    TurntableFrames frames(data, start, *options.turntable, options.width, options.height,
                           settings);
    RgbaPicture frame;
    bool drawn = true;
    bool added = true;
    for (int i = 0; drawn && added && i < frames.count(); ++i) {
        drawn = (step = frames.render(i, frame)).ok();
        added = drawn && (step = writer->addFrame(frame)).ok();
    }
    if (!drawn) {
        return failed(true);
    }
    if (!added) {
        // A numbered frame's reason starts with that frame's own name.
        return failed(options.animationFormat == AnimationFormat::Frames);
    }
    return (step = writer->finish()).ok() || failed(false);
}

} // namespace cartonic
