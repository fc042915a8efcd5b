#include "formats/webp_animation_writer.h"

#include "base/file_descriptor.h"
#include "base/replacement_file.h"
#include "image/picture_reduction.h"
#include "image/rgba_picture.h"

#include <webp/encode.h>
#include <webp/mux.h>

#include <cerrno>
#include <cmath>
#include <cstring>
#include <unistd.h>

namespace cartonic {

namespace {

// The animation's loop count: 0 is for ever.
constexpr int kLoopForever = 0;
constexpr const char* kLibraryMismatch =
    "the WebP library does not match the one this was built with";

class WebPAnimation final : public AnimationWriter {
public:
    explicit WebPAnimation(const AnimationSettings& settings) : settings_(settings) {}

    ~WebPAnimation() override {
        if (encoder_) {
            WebPAnimEncoderDelete(encoder_);
        }
    }

    Status open(const std::string& path) {
        if (Status opened = file_.open(path); !opened) {
            return opened;
        }
        WebPAnimEncoderOptions options;
        if (!WebPAnimEncoderOptionsInit(&options) || !WebPConfigInit(&config_)) {
            return Status::unavailable(kLibraryMismatch);
        }
        options.anim_params.loop_count = kLoopForever;
        encoder_ = WebPAnimEncoderNew(settings_.width, settings_.height, &options);
        if (!encoder_) {
            // The sizes it refuses are far past any frame's, so what it lacked is memory.
            return Status::unavailable("cannot start a WebP animation of " +
                                       std::to_string(settings_.width) + "x" +
                                       std::to_string(settings_.height));
        }
        if (settings_.lossy) {
            WebPConfigPreset(&config_, WEBP_PRESET_DEFAULT, static_cast<float>(settings_.quality));
        } else {
            config_.lossless = 1;
        }
        return {};
    }

    Status addFrame(const RgbaPicture& frame) override {
        if (frame.width != settings_.width || frame.height != settings_.height ||
            frame.rgba.size() !=
                static_cast<std::size_t>(frame.width) * frame.height * kRgbaBytes) {
            return Status::usage("a frame is not the animation's size");
        }
        if (Status fits = animationRateFits(AnimationFormat::WebP, settings_.fps, added_ + 1);
            !fits) {
            return fits;
        }
        WebPPicture picture;
        if (!WebPPictureInit(&picture)) {
            return Status::unavailable(kLibraryMismatch);
        }
        picture.use_argb = 1;
        picture.width = frame.width;
        picture.height = frame.height;
        const int stride = frame.width * kRgbaBytes;
        const bool imported = frame.transparent
                                  ? WebPPictureImportRGBA(&picture, frame.rgba.data(), stride)
                                  : WebPPictureImportRGBX(&picture, frame.rgba.data(), stride);
        const bool added =
            imported && WebPAnimEncoderAdd(encoder_, &picture, timestamp(added_), &config_);
        WebPPictureFree(&picture);
        if (!added) {
            return Status::badFormat("cannot encode a WebP frame: " + encoderError());
        }
        ++added_;
        return {};
    }

    Status finish() override {
        if (added_ == 0) {
            return Status::usage("an animation needs a frame");
        }
        // The end of the last frame, which sets how long it shows.
        if (!WebPAnimEncoderAdd(encoder_, nullptr, timestamp(added_), nullptr)) {
            return Status::badFormat("cannot end the WebP animation: " + encoderError());
        }
        WebPData data;
        WebPDataInit(&data);
        if (!WebPAnimEncoderAssemble(encoder_, &data)) {
            return Status::badFormat("cannot assemble the WebP animation: " + encoderError());
        }
        Status written = writeAll(file_.handle(), data.bytes, data.size);
        WebPDataClear(&data);
        if (!written) {
            return written;
        }
        return file_.commit();
    }

private:
    // Where frame index starts, in milliseconds: rounded from the exact time, so the durations
    // of frames at a rate that does not divide a second even out.
    int timestamp(int index) const {
        return static_cast<int>(std::lround(index * kMillisecondsPerSecond / settings_.fps));
    }

    std::string encoderError() const {
        const char* error = encoder_ ? WebPAnimEncoderGetError(encoder_) : nullptr;
        return error && *error ? error : "the encoder gave no reason";
    }

    AnimationSettings settings_;
    ReplacementFile file_;
    WebPAnimEncoder* encoder_ = nullptr;
    WebPConfig config_{};
    int added_ = 0;
};

} // namespace

Result<std::unique_ptr<AnimationWriter>> openWebPAnimation(const std::string& path,
                                                           const AnimationSettings& settings) {
    auto writer = std::make_unique<WebPAnimation>(settings);
    if (Status opened = writer->open(path); !opened) {
        return opened;
    }
    return std::unique_ptr<AnimationWriter>(std::move(writer));
}

} // namespace cartonic
