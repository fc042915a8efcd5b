#include "cli/render_job.h"

#include "cli/picture_paths.h"
#include "cli/printable_text.h"
#include "cli/project_json.h"
#include "cli/turntable_job.h"
#include "export/headless_renderer.h"
#include "export/model_writer.h"
#include "export/picture_writer.h"
#include "image/image_loader.h"
#include "image/restore_images.h"
#include "model/project_file.h"

#include <ostream>
#include <unistd.h>

namespace cartonic {

namespace {

constexpr std::string_view kProgram = "cartonic-render: ";
constexpr std::string_view kStandardOutputName = "standard output";

bool fail(std::string* why, std::string reason) {
    if (why) {
        *why = std::move(reason);
    }
    return false;
}

Path& picturePathField(ProjectData& data, int slot) {
    return slot == kFloorSlot ? data.floorImagePath : data.faceSlots[slot].imagePath;
}

// The folder the project's stored relative paths are taken against, as Open takes them.
std::string projectFolder(const RenderOptions& options) {
    return options.project ? absoluteFolderOf(*options.project) : workingFolder();
}

} // namespace

Camera cameraFor(const RenderOptions& options) {
    Camera camera = Camera::startUp();
    if (options.fov) {
        camera.fov = *options.fov;
    }
    if (options.yaw) {
        camera.yaw(*options.yaw);
    }
    if (options.pitch) {
        camera.pitch(*options.pitch);
    }
    if (options.zoom) {
        camera.dolly(*options.zoom);
    }
    camera.setViewSize(options.width, options.height);
    return camera;
}

void applyRecordOptions(const RenderOptions& options, ProjectData& data) {
    if (options.box) {
        data.setDimensions((*options.box)[0], (*options.box)[1], (*options.box)[2]);
    }
    for (int k = 0; k < kFaceCount; ++k) {
        if (options.orientations[k]) {
            data.faceSlots[k].orientation = *options.orientations[k];
        }
    }
}

bool loadChosenPictures(const RenderOptions& options, std::vector<LoadedPicture>& out,
                        std::string* why, PictureCache* cache) {
    out.clear();
    for (const PictureChoice& choice : options.pictures) {
        LoadedPicture picture;
        picture.slot = choice.slot;
        picture.path = choice.path;
        FaceSlot scratch{};
        std::string reason;
        const bool loaded =
            cache ? cache->loadSlotPicture(scratch, picture.image, choice.path, &reason)
                  : loadImage(scratch, picture.image, choice.path, &reason);
        if (!loaded) {
            return fail(why, "cannot load picture " + choice.path + ": " + reason);
        }
        picture.width = scratch.imageWidth;
        picture.height = scratch.imageHeight;
        out.push_back(std::move(picture));
    }
    return true;
}

void placePictures(std::vector<LoadedPicture>& pictures, ProjectData& data, SlotImages& images) {
    for (LoadedPicture& picture : pictures) {
        FaceSlot& slot = data.faceSlots[picture.slot];
        images[picture.slot] = std::move(picture.image);
        slot.imageWidth = picture.width;
        slot.imageHeight = picture.height;
        setPath(picturePathField(data, picture.slot), picture.path);
    }
}

void RenderJob::say(std::ostream& err, const std::string& message) const {
    // One line each, whatever a path or a library's reason holds.
    err << kProgram << printable(prefix_ + message) << '\n';
}

int RenderJob::run(std::ostream& out, std::ostream& err) {
    const auto error = [&](const std::string& message) {
        say(err, message);
        return 1;
    };
    std::string why;
    // Checked before any work: a picture's bytes would scramble the terminal.
    if (options_.pictureToStandardOutput() && ::isatty(STDOUT_FILENO)) {
        return error(std::string(kStandardOutputName) +
                     " is a terminal: redirect it to a file or a pipe for -o -");
    }
    // As the application has the record once its view exists.
    data_.setDimensions(kStartBoxWidth, kStartBoxDepth, kStartBoxHeight);
    if (options_.project && !loadProject(data_, *options_.project, &why)) {
        return error(*options_.project + ": " + why);
    }
    applyRecordOptions(options_, data_);
    // Pictures named on the command line are checked before anything is drawn or written.
    std::vector<LoadedPicture> chosen;
    if (!loadChosenPictures(options_, chosen, &why, &session_.pictures)) {
        return error(why);
    }
    if (options_.output) {
        if (!(options_.model ? writeModelFile(chosen, err, &why) : render(chosen, err, &why))) {
            return error(why);
        }
    } else {
        placePictures(chosen, data_, images_);
    }
    if (options_.save && !save(&why)) {
        return error(*options_.save + ": " + why);
    }
    if (options_.print) {
        out << projectToJson(data_);
    }
    return 0;
}

void RenderJob::restorePictures(std::vector<LoadedPicture>& chosen, const TextureBuilder& build,
                                std::ostream& err) {
    if (options_.project) {
        // A slot the command line fills is not looked for under the project's path.
        for (const LoadedPicture& picture : chosen) {
            setPath(picturePathField(data_, picture.slot), "");
        }
        std::vector<std::string> reasons;
        const std::vector<std::string> missing = restoreProjectImages(
            data_, images_, projectFolder(options_), build, &reasons,
            [this](FaceSlot& slot, SlotImage& image, const std::string& path, std::string* why) {
                return session_.pictures.loadSlotPicture(slot, image, path, why);
            });
        for (std::size_t i = 0; i < missing.size(); ++i) {
            say(err, "warning: cannot load picture " + missing[i] + " named in " +
                         *options_.project + ": " + reasons[i]);
        }
    }
    placePictures(chosen, data_, images_);
}

SlotPictures RenderJob::exportPictures(const std::vector<LoadedPicture>& chosen) const {
    // From the files: a project's relative paths from its folder, the command line's as given.
    SlotPictures pictures{&images_, storedPicturePaths(data_, projectFolder(options_)),
                          &session_.pictures};
    for (const LoadedPicture& picture : chosen) {
        pictures.paths[picture.slot] = picture.path;
    }
    return pictures;
}

bool RenderJob::writeModelFile(std::vector<LoadedPicture>& chosen, std::ostream& err,
                               std::string* why) {
    // No GL context: the slots get their pictures and no textures.
    restorePictures(
        chosen, [](FaceSlot&, const SlotImage&) {}, err);
    std::vector<std::string> notes;
    std::string reason;
    const std::string& output = *options_.output;
    const bool written = writeModel(output, data_, exportPictures(chosen), &notes, &reason);
    for (const std::string& note : notes) {
        say(err, "warning: " + note);
    }
    return written || fail(why, output + ": " + reason);
}

bool RenderJob::render(std::vector<LoadedPicture>& chosen, std::ostream& err, std::string* why) {
    if (session_.renderer) {
        session_.renderer->prepareRecord();
    } else if (!(session_.renderer = HeadlessRenderer::create(data_, why))) {
        return false;
    }
    HeadlessRenderer* renderer = session_.renderer.get();
    const auto build = [&](FaceSlot& slot, const SlotImage& image) {
        renderer->buildSlotTexture(slot, image);
    };
    restorePictures(chosen, build, err);
    for (const LoadedPicture& picture : chosen) {
        build(data_.faceSlots[picture.slot], images_[picture.slot]);
        if (picture.slot == kFloorSlot) {
            data_.floorTextureId = data_.faceSlots[kFloorSlot].textureId;
        }
    }

    const SlotPictures pictures = exportPictures(chosen);
    std::vector<std::string> notes;
    RenderSettings settings;
    settings.samples = options_.samples;
    settings.transparent = options_.transparent;
    settings.pictures = &pictures;
    settings.notes = &notes;
    const auto warnNotes = [&] {
        for (const std::string& note : notes) {
            say(err, "warning: " + note);
        }
    };
    if (options_.turntable) {
        const bool written =
            writeTurntable(*renderer, data_, cameraFor(options_), options_, settings, why);
        warnNotes();
        return written;
    }
    RgbaPicture rendered;
    if (!renderer->render(cameraFor(options_), options_.width, options_.height, rendered, why,
                          settings)) {
        return false;
    }
    warnNotes();
    std::string reason;
    if (options_.pictureToStandardOutput()) {
        return writePictureToDescriptor(STDOUT_FILENO, rendered, options_.outputFormat,
                                        options_.quality, &reason) ||
               fail(why, std::string(kStandardOutputName) + ": " + reason);
    }
    const std::string& output = *options_.output;
    if (!writePicture(output, rendered, options_.outputFormat, options_.quality, &reason)) {
        return fail(why, output + ": " + reason);
    }
    return true;
}

bool RenderJob::save(std::string* why) const {
    PictureBases bases;
    bases.fill(projectFolder(options_));
    const std::string workingDir = workingFolder();
    for (const PictureChoice& choice : options_.pictures) {
        bases[choice.slot] = workingDir;
    }
    ProjectData saved = data_;
    std::string tooLong;
    if (!rebasePicturePaths(saved, bases, absoluteFolderOf(*options_.save), &tooLong)) {
        return fail(why, "picture path too long to store in a project: " + tooLong);
    }
    return saveProject(saved, *options_.save, why);
}

} // namespace cartonic
