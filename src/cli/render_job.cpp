#include "cli/render_job.h"

#include "cli/printable_text.h"
#include "cli/project_json.h"
#include "cli/turntable_job.h"
#include "formats/animation_writer.h"
#include "formats/frame_pattern.h"
#include "image/dieline.h"
#include "image/embedded_pictures.h"
#include "image/image_loader.h"
#include "image/kept_pictures.h"
#include "image/restore_images.h"
#include "model/picture_paths.h"
#include "model/product_presets.h"
#include "operations/project_operations.h"
#include "render/headless_renderer.h"

#include <algorithm>
#include <cerrno>
#include <filesystem>
#include <ostream>
#include <unistd.h>

namespace cartonic {

namespace {

constexpr std::string_view kStandardOutputName = "standard output";

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

Status loadChosenPictures(const RenderOptions& options, std::vector<LoadedPicture>& out,
                          PictureCache* cache) {
    out.clear();
    for (const PictureChoice& choice : options.pictures) {
        LoadedPicture picture;
        picture.slot = choice.slot;
        picture.path = choice.path;
        FaceSlot scratch{};
        const Status loaded = cache ? cache->loadSlotPicture(scratch, picture.image, choice.path)
                                    : loadImage(scratch, picture.image, choice.path);
        if (!loaded) {
            return loaded.prefixed("cannot load picture " + choice.path + ": ");
        }
        picture.width = scratch.imageWidth;
        picture.height = scratch.imageHeight;
        out.push_back(std::move(picture));
    }
    return {};
}

void applyExtensionOptions(const RenderOptions& options, ExtensionSettings& settings) {
    if (options.shadowSoftness) {
        settings.look.shadowSoftness = *options.shadowSoftness;
    }
    if (options.reflectionFade) {
        settings.look.reflectionFade = *options.reflectionFade;
    }
    if (options.embedPictures) {
        settings.embedPictures = true;
    }
}

void placePictures(std::vector<LoadedPicture>& pictures, Project& project) {
    for (LoadedPicture& picture : pictures) {
        FaceSlot& slot = project.record.faceSlots[picture.slot];
        project.pictures[picture.slot] = std::move(picture.image);
        slot.imageWidth = picture.width;
        slot.imageHeight = picture.height;
        setPath(picturePathField(project.record, picture.slot), picture.path);
    }
}

SlotPictureLoader RenderJob::cachedLoader() const {
    return [this](FaceSlot& slot, SlotImage& image, const std::string& path) {
        return session_.pictures.loadSlotPicture(slot, image, path);
    };
}

void RenderJob::say(std::ostream& err, const std::string& message) const {
    // One line each, whatever a path or a library's reason holds.
    err << kProgramPrefix << printable(prefix_ + message) << '\n';
}

Status RenderJob::run(std::ostream& out, std::ostream& err) {
    const auto error = [&](const Status& failure) {
        say(err, failure.message());
        return failure;
    };
    // Checked before any work: a picture's bytes would scramble the terminal.
    if (options_.pictureToStandardOutput() && ::isatty(STDOUT_FILENO)) {
        return error(
            Status::writeFailed(std::string(kStandardOutputName) +
                                " is a terminal: redirect it to a file or a pipe for -o -"));
    }
    // As the application has the record once its view exists.
    project_.record.setDimensions(kStartBoxWidth, kStartBoxDepth, kStartBoxHeight);
    if (options_.project) {
        std::string note;
        if (const Status opened = openProject(project_, *options_.project, &note); !opened) {
            return error(opened.prefixed(*options_.project + ": "));
        }
        if (!note.empty()) {
            say(err, "warning: " + *options_.project + ": " + note);
        }
    }
    applyRecordOptions(options_, project_.record);
    applyExtensionOptions(options_, project_.extension.settings);
    // Pictures named on the command line are checked before anything is drawn or written.
    std::vector<LoadedPicture> chosen;
    if (const Status loaded = loadChosenPictures(options_, chosen, &session_.pictures); !loaded) {
        return error(loaded);
    }
    // Pictures kept inside the project are kept again, or written out, only from the slots
    // that show them.
    const bool picturesInside =
        options_.extractPictures || (options_.save && project_.extension.settings.embedPictures);
    if (options_.output || picturesInside) {
        restorePictures(chosen, err);
    }
    if (const Status made = makePictures(err); !made) {
        return error(made);
    }
    placePictures(chosen, project_);
    if (options_.extractPictures) {
        if (const Status extracted = extractPictures(); !extracted) {
            return error(extracted);
        }
    }
    if (options_.output) {
        if (const Status made = options_.model ? writeModelFile(err) : render(err); !made) {
            return error(made);
        }
    }
    if (options_.save) {
        if (const Status saved = save(err); !saved) {
            return error(saved.prefixed(*options_.save + ": "));
        }
    }
    if (options_.print) {
        // Flushed here, so that a full disk or a closed pipe fails the job rather than the exit.
        out.clear();
        errno = 0;
        out << projectToJson(project_.record, &project_.extension) << std::flush;
        if (!out) {
            const int code = errno;
            return error(
                Status::writeFailed("write failed: " +
                                    (code ? errnoText(code) : std::string("the stream refused")))
                    .prefixed(std::string(kStandardOutputName) + ": "));
        }
    }
    return {};
}

void RenderJob::restorePictures(std::vector<LoadedPicture>& chosen, std::ostream& err) {
    if (!options_.project) {
        return;
    }
    // A slot the command line fills is not looked for under the project's path.
    for (const LoadedPicture& picture : chosen) {
        setPath(picturePathField(project_.record, picture.slot), "");
    }
    for (const UnloadedPicture& picture : loadProjectPictures(project_, cachedLoader()).unloaded) {
        say(err, "warning: cannot load picture " + picture.path + " named in " + *options_.project +
                     ": " + picture.status.message());
    }
}

Status RenderJob::makePictures(std::ostream& err) {
    const QString folder = keptPicturesFolder();
    if (options_.preset) {
        if (const ProductPreset* preset = findProductPreset(*options_.preset)) {
            if (Status made = applyPreset(project_, *preset, folder, cachedLoader()); !made) {
                return made;
            }
        }
    }
    if (!options_.dieline) {
        return {};
    }
    const std::string& path = *options_.dieline;
    QImage net;
    if (const Status loaded = loadNet(path, net); !loaded) {
        return loaded.prefixed("cannot load dieline " + path + ": ");
    }
    const auto cut = cutLayout(net.size(), boxSidesOf(project_.record), options_.dielineLayout,
                               options_.glueFlap);
    if (!cut) {
        return Status::badFormat("cannot cut dieline " + path + " (" + std::to_string(net.width()) +
                                 " x " + std::to_string(net.height()) + " pixels, glue flap " +
                                 std::to_string(options_.glueFlap) +
                                 "): a panel would be under a pixel");
    }
    if (!cut->matches()) {
        say(err, "warning: dieline " + path + " is " + mismatchText(*cut));
    }
    return importDieline(project_, net, *cut, std::nullopt, folder, cachedLoader());
}

Status RenderJob::extractPictures() {
    const std::string& folder = *options_.extractPictures;
    std::error_code failed;
    std::filesystem::create_directories(folder, failed);
    if (failed) {
        return Status::writeFailed(folder + ": cannot make the folder: " + failed.message());
    }
    const std::string absolute = absoluteFolderOf(folder + "/.");
    const Result<std::vector<std::string>> written = extractEmbeddedPictures(
        project_.record, project_.pictures, project_.extension, absolute, outputFiles());
    return written.status;
}

std::vector<std::string> RenderJob::outputFiles() const {
    std::vector<std::string> files;
    const auto add = [&files](const std::string& path) {
        files.push_back(absoluteFolderOf(path) + "/" +
                        std::filesystem::path(path).filename().string());
    };
    if (options_.save) {
        add(*options_.save);
    }
    if (options_.output && !options_.pictureToStandardOutput()) {
        const std::string& output = *options_.output;
        const Result<FramePattern> frames = FramePattern::parse(output);
        if (options_.turntable && !animationFormatForPath(output) && frames) {
            for (int k = 0; k < *options_.turntable; ++k) {
                add(frames.value.name(k));
            }
        } else {
            add(output);
        }
    }
    return files;
}

SlotPictures RenderJob::exportPictures() const {
    // From the files: a project's relative paths from its folder, the command line's from the
    // working directory; a picture kept inside the project from there.
    SlotPictures pictures = cartonic::exportPictures(project_, &session_.pictures);
    for (const PictureChoice& choice : options_.pictures) {
        pictures.paths[choice.slot] = choice.path;
    }
    return pictures;
}

Status RenderJob::writeModelFile(std::ostream& err) {
    std::vector<std::string> notes;
    const std::string& output = *options_.output;
    const Status written = exportModel(output, project_, exportPictures(), &notes);
    for (const std::string& note : notes) {
        say(err, "warning: " + note);
    }
    return written.prefixed(output + ": ");
}

Status RenderJob::render(std::ostream& err) {
    // The light's place follows from its angle and height, whatever the file stored.
    project_.record.updateLightPosition();
    if (session_.renderer) {
        session_.renderer->prepareRecord(project_.record);
    } else {
        auto made = HeadlessRenderer::create(project_.record);
        if (!made) {
            return made.status;
        }
        session_.renderer = std::move(made.value);
    }
    HeadlessRenderer* renderer = session_.renderer.get();

    const SlotPictures pictures = exportPictures();
    std::vector<std::string> notes;
    const auto warnNotes = [&] {
        for (const std::string& note : notes) {
            say(err, "warning: " + note);
        }
    };
    const DrawIn drawIn = drawInHeadless(*renderer, project_);
    if (options_.turntable) {
        TurntableRequest request = turntableRequestFor(options_);
        std::string rounded;
        if (Status settled = settleTurntable(request, &rounded); !settled) {
            return settled;
        }
        if (!rounded.empty()) {
            notes.push_back(rounded);
        }
        const std::string& output = *options_.output;
        Status written = writeTurntable(output, request, project_, cameraFor(options_), pictures,
                                        drawIn, &notes, output + ": ");
        warnNotes();
        return written;
    }
    const PictureRequest request{options_.width, options_.height, options_.outputFormat,
                                 options_.samples, options_.transparent};
    const Camera camera = cameraFor(options_);
    Status written = options_.pictureToStandardOutput()
                         ? exportPictureTo(STDOUT_FILENO, options_.quality, request, project_,
                                           camera, pictures, drawIn, &notes)
                               .prefixed(std::string(kStandardOutputName) + ": ")
                         : exportPicture(*options_.output, options_.quality, request, project_,
                                         camera, pictures, drawIn, &notes, *options_.output + ": ");
    warnNotes();
    return written;
}

Status RenderJob::save(std::ostream& err) {
    // Relative paths of the project's pictures are taken against its folder, those of the
    // command line's against the working directory.
    PictureBases bases;
    bases.fill(projectFolder(options_));
    const std::string workingDir = workingFolder();
    for (const PictureChoice& choice : options_.pictures) {
        bases[choice.slot] = workingDir;
    }
    if (session_.renderer) {
        // The file's runtime fields hold the names this run drew with.
        project_.drawnWith = session_.renderer->names();
    }
    std::vector<std::string> notes;
    const Status saved = saveProject(project_, *options_.save, &notes, &bases);
    for (const std::string& note : notes) {
        say(err, "warning: " + note);
    }
    return saved;
}

} // namespace cartonic
