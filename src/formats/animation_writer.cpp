#include "formats/animation_writer.h"

#include "formats/ffmpeg_video_writer.h"
#include "formats/frame_pattern.h"
#include "formats/picture_writer.h"
#include "formats/webp_animation_writer.h"
#include "image/rgba_picture.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdio>

namespace cartonic {

namespace {

// Each frame a picture of its own, written as it comes.
class NumberedFrames final : public AnimationWriter {
public:
    NumberedFrames(FramePattern pattern, const AnimationSettings& settings)
        : pattern_(std::move(pattern)), settings_(settings) {}

    Status addFrame(const RgbaPicture& frame) override {
        const std::string path = pattern_.name(next_++);
        return writePicture(path, frame, settings_.frameFormat, settings_.quality)
            .prefixed(path + ": ");
    }

    Status finish() override { return {}; }

private:
    FramePattern pattern_;
    AnimationSettings settings_;
    int next_ = 0;
};

} // namespace

std::optional<AnimationFormat> animationFormatForPath(const std::string& path) {
    const std::string ext = lowerExtension(path);
    if (ext == "webp") {
        return AnimationFormat::WebP;
    }
    if (ext == "mp4") {
        return AnimationFormat::Mp4;
    }
    return std::nullopt;
}

Status animationSizeFits(AnimationFormat format, int width, int height) {
    if (format == AnimationFormat::Mp4 && (width % 2 != 0 || height % 2 != 0)) {
        return Status::usage("an MP4 video needs an even width and height, not " +
                             std::to_string(width) + "x" + std::to_string(height));
    }
    return {};
}

Status animationRateFits(AnimationFormat format, double fps, int frames) {
    // Rounded up to three digits, so that the rate said is one that fits.
    const auto leastRate = [](double least) {
        const double step = std::pow(10.0, std::floor(std::log10(least)) - 2.0);
        char text[32];
        std::snprintf(text, sizeof text, "%.3g", std::ceil(least / step) * step);
        return std::string(text);
    };
    if (format == AnimationFormat::Mp4 && !(fps >= kMinVideoFps)) {
        char least[64];
        std::snprintf(least, sizeof least, "at least %g frames a second (a frame every %g s)",
                      kMinVideoFps, 1.0 / kMinVideoFps);
        return Status::usage("an MP4 video has " + std::string(least));
    }
    if (format == AnimationFormat::WebP && !(fps >= leastWebPFps(frames))) {
        char limits[96];
        std::snprintf(limits, sizeof limits,
                      "a frame shows at most %.3f s, the whole at most %.3f s",
                      kMaxWebPFrameMilliseconds / kMillisecondsPerSecond,
                      kMaxWebPMilliseconds / kMillisecondsPerSecond);
        return Status::usage("a WebP animation cannot last that long: " + std::string(limits) +
                             ", so " + std::to_string(frames) +
                             (frames == 1 ? " frame wants" : " frames want") + " at least " +
                             leastRate(leastWebPFps(frames)) + " frames a second");
    }
    return {};
}

Result<std::unique_ptr<AnimationWriter>> openAnimationWriter(const std::string& path,
                                                             const AnimationSettings& settings) {
    if (settings.width < 1 || settings.height < 1) {
        return Status::usage("no frame size is given");
    }
    if (Status fits = animationSizeFits(settings.format, settings.width, settings.height); !fits) {
        return fits;
    }
    switch (settings.format) {
    case AnimationFormat::Frames: {
        Result<FramePattern> pattern = FramePattern::parse(path);
        if (!pattern) {
            return pattern.status;
        }
        return std::unique_ptr<AnimationWriter>(
            std::make_unique<NumberedFrames>(std::move(pattern.value), settings));
    }
    case AnimationFormat::WebP:
        return openWebPAnimation(path, settings);
    case AnimationFormat::Mp4:
        return openFfmpegVideo(path, settings);
    }
    return Status::usage("no such animation format");
}

} // namespace cartonic
