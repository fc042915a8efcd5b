#include "export/animation_writer.h"

#include "export/ffmpeg_video_writer.h"
#include "export/frame_pattern.h"
#include "export/render_to_buffer.h"
#include "export/webp_animation_writer.h"

#include <algorithm>
#include <cctype>

namespace cartonic {

namespace {

bool fail(std::string* why, std::string reason) {
    if (why) {
        *why = std::move(reason);
    }
    return false;
}

std::string lowerExtension(const std::string& path) {
    const auto slash = path.rfind('/');
    const auto dot = path.rfind('.');
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) {
        return {};
    }
    std::string ext = path.substr(dot + 1);
    std::transform(ext.begin(), ext.end(), ext.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return ext;
}

// Each frame a picture of its own, written as it comes.
class NumberedFrames final : public AnimationWriter {
public:
    NumberedFrames(FramePattern pattern, const AnimationSettings& settings)
        : pattern_(std::move(pattern)), settings_(settings) {}

    bool addFrame(const RgbaPicture& frame, std::string* why) override {
        const std::string path = pattern_.name(next_++);
        const Status written = writePicture(path, frame, settings_.frameFormat, settings_.quality);
        return written || fail(why, path + ": " + written.message());
    }

    bool finish(std::string*) override { return true; }

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

bool animationSizeFits(AnimationFormat format, int width, int height, std::string* why) {
    if (format == AnimationFormat::Mp4 && (width % 2 != 0 || height % 2 != 0)) {
        return fail(why, "an MP4 video needs an even width and height, not " +
                             std::to_string(width) + "x" + std::to_string(height));
    }
    return true;
}

std::unique_ptr<AnimationWriter>
openAnimationWriter(const std::string& path, const AnimationSettings& settings, std::string* why) {
    if (settings.width < 1 || settings.height < 1 ||
        !animationSizeFits(settings.format, settings.width, settings.height, why)) {
        if (settings.width < 1 || settings.height < 1) {
            fail(why, "no frame size is given");
        }
        return nullptr;
    }
    switch (settings.format) {
    case AnimationFormat::Frames: {
        std::optional<FramePattern> pattern = FramePattern::parse(path, why);
        if (!pattern) {
            return nullptr;
        }
        return std::make_unique<NumberedFrames>(std::move(*pattern), settings);
    }
    case AnimationFormat::WebP:
        return openWebPAnimation(path, settings, why);
    case AnimationFormat::Mp4:
        return openFfmpegVideo(path, settings, why);
    }
    return nullptr;
}

} // namespace cartonic
