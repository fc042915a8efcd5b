#include "export/exports.h"

#include "formats/model_writer.h"
#include "image/embedded_pictures.h"

#include "render/turntable_frames.h"

#include <algorithm>
#include <memory>
#include <optional>

namespace cartonic {

namespace {

// An H.264 video's frames have even sides; the least even side.
constexpr int kLeastEvenSide = 2;

int evenDown(int side) {
    return std::max(kLeastEvenSide, side - side % 2);
}

constexpr const char* kNoTransparency =
    "a transparent picture needs PNG (a picture, or turntable frames) or a WebP; a JPEG, an MP4 "
    "video and a 3D model have no transparency";

} // namespace

SlotPictures exportPictures(const Project& project, PictureCache* cache) {
    SlotPictures pictures{
        &project.pictures, storedPicturePaths(project.record, project.folder()), cache, {}};
    addEmbeddedSources(project.extension, project.pictures, pictures);
    return pictures;
}

Status checkPicture(const PictureRequest& request) {
    if (request.transparent && request.format != PictureFormat::Png) {
        return Status::usage(kNoTransparency);
    }
    return {};
}

Status checkModel(const ModelRequest& request) {
    return request.transparent ? Status::usage(kNoTransparency) : Status();
}

Status settleTurntable(TurntableRequest& request, std::string* note) {
    if (request.frames < kMinTurntableFrames || request.frames > kMaxTurntableFrames) {
        return Status::usage("a turntable has " + std::to_string(kMinTurntableFrames) + " to " +
                             std::to_string(kMaxTurntableFrames) + " frames");
    }
    AnimationSettings& animation = request.animation;
    if (Status rate = animationRateFits(animation.format, animation.fps, request.frames); !rate) {
        return rate;
    }
    const bool seeThrough =
        animation.format == AnimationFormat::WebP || (animation.format == AnimationFormat::Frames &&
                                                      animation.frameFormat == PictureFormat::Png);
    if (request.transparent && !seeThrough) {
        return Status::usage(kNoTransparency);
    }
    if (animation.format == AnimationFormat::Mp4) {
        const int width = evenDown(animation.width);
        const int height = evenDown(animation.height);
        if ((width != animation.width || height != animation.height) && note) {
            *note = "a video's sides are even, so the size was rounded down to " +
                    std::to_string(width) + " x " + std::to_string(height);
        }
        animation.width = width;
        animation.height = height;
    }
    return animationSizeFits(animation.format, animation.width, animation.height);
}

DrawIn drawInHeadless(HeadlessRenderer& renderer, const Project& project) {
    return [&renderer, &project](const std::function<Status(const SceneTextures&)>& work) {
        if (Status current = renderer.makeCurrent(); !current) {
            return current;
        }
        return work(
            renderer.textures(project.record, project.pictures, SceneResources::Pictures::Skip));
    };
}

namespace {

// How a picture or turntable request is drawn: its samples and transparency, in the project's
// look, from the export's pictures.
template <typename Request>
RenderSettings settingsFor(const Request& request, const Project& project,
                           const SlotPictures& pictures, std::vector<std::string>* notes) {
    RenderSettings settings;
    settings.samples = request.samples;
    settings.transparent = request.transparent;
    settings.look = project.look();
    settings.pictures = &pictures;
    settings.notes = notes;
    return settings;
}

} // namespace

Status renderPicture(const PictureRequest& request, const Project& project, const Camera& camera,
                     const SlotPictures& pictures, const DrawIn& drawIn, RgbaPicture& out,
                     std::vector<std::string>* notes) {
    if (Status fits = checkPicture(request); !fits) {
        return fits;
    }
    const RenderSettings settings = settingsFor(request, project, pictures, notes);
    return drawIn([&](const SceneTextures& textures) {
        return renderToBuffer(project.record, textures, camera, request.width, request.height, out,
                              settings);
    });
}

namespace {

// The picture request asks for, drawn as renderPicture draws it, then handed to write.
Status drawAndWrite(const PictureRequest& request, const Project& project, const Camera& camera,
                    const SlotPictures& pictures, const DrawIn& drawIn,
                    std::vector<std::string>* notes,
                    const std::function<Status(const RgbaPicture&)>& write) {
    RgbaPicture picture;
    if (Status drawn = renderPicture(request, project, camera, pictures, drawIn, picture, notes);
        !drawn) {
        return drawn;
    }
    return write(picture);
}

} // namespace

Status exportPicture(const std::string& path, int quality, const PictureRequest& request,
                     const Project& project, const Camera& camera, const SlotPictures& pictures,
                     const DrawIn& drawIn, std::vector<std::string>* notes,
                     const std::string& named) {
    return drawAndWrite(
        request, project, camera, pictures, drawIn, notes, [&](const RgbaPicture& picture) {
            return writePicture(path, picture, request.format, quality).prefixed(named);
        });
}

Status exportPictureTo(int fd, int quality, const PictureRequest& request, const Project& project,
                       const Camera& camera, const SlotPictures& pictures, const DrawIn& drawIn,
                       std::vector<std::string>* notes) {
    return drawAndWrite(request, project, camera, pictures, drawIn, notes,
                        [&](const RgbaPicture& picture) {
                            return writePictureToDescriptor(fd, picture, request.format, quality);
                        });
}

Status exportModel(const std::string& path, const Project& project, const SlotPictures& pictures,
                   std::vector<std::string>* notes) {
    return writeModel(path, project.record, pictures, notes);
}

Status writeTurntable(const std::string& path, const TurntableRequest& request,
                      const Project& project, const Camera& start, const SlotPictures& pictures,
                      const DrawIn& drawIn, std::vector<std::string>* notes,
                      const std::string& named, const TurntableProgress& progress,
                      bool* cancelled) {
    const AnimationSettings& animation = request.animation;
    // Before anything is drawn: a file that cannot be written, or no ffmpeg, fails at once.
    auto opened = openAnimationWriter(path, animation);
    if (!opened) {
        return opened.status.prefixed(named);
    }
    std::unique_ptr<AnimationWriter> writer = std::move(opened.value);
    const RenderSettings settings = settingsFor(request, project, pictures, notes);
    // The camera sees the turntable's shape: no size stretches it.
    Camera camera = start;
    camera.setViewSize(animation.width, animation.height);
    std::optional<TurntableFrames> frames;
    Status made = drawIn([&](const SceneTextures& textures) {
        frames.emplace(project.record, textures, camera, request.frames, animation.width,
                       animation.height, settings);
        return Status();
    });
    RgbaPicture frame;
    bool stopped = false;
    for (int i = 0; made && !stopped && i < request.frames; ++i) {
        made = drawIn([&](const SceneTextures&) { return frames->render(i, frame); });
        if (!made) {
            break;
        }
        if (Status added = writer->addFrame(frame); !added) {
            // A numbered frame's reason starts with that frame's own name.
            made = animation.format == AnimationFormat::Frames ? added : added.prefixed(named);
            break;
        }
        stopped = progress && !progress(i + 1, request.frames);
    }
    // The export's textures go with the context they were made in.
    static_cast<void>(drawIn([&](const SceneTextures&) {
        frames.reset();
        return Status();
    }));
    if (cancelled) {
        *cancelled = stopped;
    }
    if (!made || stopped) {
        return made; // the writer, dropped unfinished, leaves no animation
    }
    return writer->finish().prefixed(named);
}

} // namespace cartonic
