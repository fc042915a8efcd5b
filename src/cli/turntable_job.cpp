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
    std::string reason;
    const auto failed = [&](bool named) {
        if (why) {
            *why = named ? reason : output + ": " + reason;
        }
        return false;
    };
    // Before anything is drawn: a file that cannot be written, or no ffmpeg, fails at once.
    std::unique_ptr<AnimationWriter> writer =
        openAnimationWriter(output, animationSettingsFor(options), &reason);
    if (!writer) {
        return failed(false);
    }
    renderer.makeCurrent();
    TurntableFrames frames(data, start, *options.turntable, options.width, options.height,
                           settings);
    RgbaPicture frame;
    bool drawn = true;
    bool added = true;
    for (int i = 0; drawn && added && i < frames.count(); ++i) {
        drawn = frames.render(i, frame, &reason);
        added = drawn && writer->addFrame(frame, &reason);
    }
    if (!drawn) {
        return failed(true);
    }
    if (!added) {
        // A numbered frame's reason starts with that frame's own name.
        return failed(options.animationFormat == AnimationFormat::Frames);
    }
    return writer->finish(&reason) || failed(false);
}

} // namespace cartonic
