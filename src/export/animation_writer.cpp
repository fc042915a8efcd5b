#include "export/animation_writer.h"

#include "export/ffmpeg_video_writer.h"
#include "export/frame_pattern.h"
#include "export/picture_writer.h"
#include "export/webp_animation_writer.h"
#include "image/rgba_picture.h"

#include <algorithm>
#include <cctype>

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
