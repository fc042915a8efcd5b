#include "cli/render_job.h"

#include "cli/picture_paths.h"
#include "cli/printable_text.h"
#include "cli/project_json.h"
#include "cli/turntable_job.h"
#include "export/animation_writer.h"
#include "export/frame_pattern.h"
#include "export/model_writer.h"
#include "export/picture_writer.h"
#include "image/dieline.h"
#include "image/embedded_pictures.h"
#include "image/image_loader.h"
#include "image/kept_pictures.h"
#include "image/page_edges.h"
#include "image/restore_images.h"
#include "model/product_presets.h"
#include "model/project_file.h"
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
    if (options.preset) {
        if (const ProductPreset* preset = findProductPreset(*options.preset)) {
            proportionBox(data, preset->millimetres);
        }
    }
    for (int k = 0; k < kFaceCount; ++k) {
        if (options.orientations[k]) {
            data.faceSlots[k].orientation = *options.orientations[k];
        }
    }
}

Status loadPictureChoices(const std::vector<PictureChoice>& choices,
                          std::vector<LoadedPicture>& out, PictureCache* cache) {
    for (const PictureChoice& choice : choices) {
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

Status loadChosenPictures(const RenderOptions& options, std::vector<LoadedPicture>& out,
                          PictureCache* cache) {
    out.clear();
    return loadPictureChoices(options.pictures, out, cache);
}

Status makePictures(const RenderOptions& options, const ProjectData& data,
                    std::vector<PictureChoice>& made, std::string* mismatch) {
    made.clear();
    const auto named = [&](int slot) {
        const auto same = [slot](const PictureChoice& choice) {
            return choice.slot == slot;
        };
        return std::any_of(options.pictures.begin(), options.pictures.end(), same) ||
               std::any_of(made.begin(), made.end(), same);
    };
    const QString folder = keptPicturesFolder();
    if (options.dieline) {
        const std::string& path = *options.dieline;
        QImage net;
        if (const Status loaded = loadNet(path, net); !loaded) {
            return loaded.prefixed("cannot load dieline " + path + ": ");
        }
        const auto cut =
            cutLayout(net.size(), boxSidesOf(data), options.dielineLayout, options.glueFlap);
        if (!cut) {
            return Status::badFormat(
                "cannot cut dieline " + path + " (" + std::to_string(net.width()) + " x " +
                std::to_string(net.height()) + " pixels, glue flap " +
                std::to_string(options.glueFlap) + "): a panel would be under a pixel");
        }
        if (mismatch) {
            *mismatch = mismatchText(*cut);
        }
        const auto kept = keepPanels(net, *cut, data, folder);
        if (!kept) {
            return kept.status;
        }
        for (int face = 0; face < kFaceCount; ++face) {
            if (!named(face)) {
                made.push_back({face, kept.value[face]});
            }
        }
    }
    const ProductPreset* preset = options.preset ? findProductPreset(*options.preset) : nullptr;
    if (preset && preset->book) {
        for (const Face face : kPageFaces) {
            if (named(face)) {
                continue;
            }
            QString why;
            const QString file = keepPicture(pageEdgePicture(face), folder, &why);
            if (file.isEmpty()) {
                return Status::writeFailed("cannot keep the page edges' picture: " +
                                           why.toStdString());
            }
            made.push_back({face, file.toStdString()});
        }
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
    data_.setDimensions(kStartBoxWidth, kStartBoxDepth, kStartBoxHeight);
    if (options_.project) {
        std::string note;
        if (const Status loaded = loadProject(data_, extension_, *options_.project, &note);
            !loaded) {
            return error(loaded.prefixed(*options_.project + ": "));
        }
        if (!note.empty()) {
            say(err, "warning: " + *options_.project + ": " + note);
        }
    }
    applyRecordOptions(options_, data_);
    applyExtensionOptions(options_, extension_.settings);
    // Pictures named on the command line are checked before anything is drawn or written.
    std::vector<LoadedPicture> chosen;
    if (const Status loaded = loadChosenPictures(options_, chosen, &session_.pictures); !loaded) {
        return error(loaded);
    }
    std::vector<PictureChoice> made;
    std::string mismatch;
    if (const Status kept = makePictures(options_, data_, made, &mismatch); !kept) {
        return error(kept);
    }
    if (!mismatch.empty()) {
        say(err, "warning: dieline " + *options_.dieline + " is " + mismatch);
    }
    if (const Status loaded = loadPictureChoices(made, chosen, &session_.pictures); !loaded) {
        return error(loaded);
    }
    // Pictures kept inside the project are kept again, or written out, only from the slots
    // that show them.
    const bool picturesInside =
        options_.extractPictures || (options_.save && extension_.settings.embedPictures);
    if (options_.output || picturesInside) {
        restorePictures(chosen, err);
    } else {
        placePictures(chosen, data_, images_);
    }
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
        out << projectToJson(data_, &extension_) << std::flush;
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
    if (options_.project) {
        // A slot the command line fills is not looked for under the project's path.
        for (const LoadedPicture& picture : chosen) {
            setPath(picturePathField(data_, picture.slot), "");
        }
        std::vector<UnloadedPicture> unloaded =
            restoreProjectImages(data_, images_, projectFolder(options_),
                                 [this](FaceSlot& slot, SlotImage& image, const std::string& path) {
                                     return session_.pictures.loadSlotPicture(slot, image, path);
                                 });
        restoreEmbeddedPictures(data_, images_, extension_, projectFolder(options_), unloaded);
        for (const UnloadedPicture& picture : unloaded) {
            say(err, "warning: cannot load picture " + picture.path + " named in " +
                         *options_.project + ": " + picture.status.message());
        }
    }
    placePictures(chosen, data_, images_);
}

Status RenderJob::extractPictures() {
    const std::string& folder = *options_.extractPictures;
    std::error_code failed;
    std::filesystem::create_directories(folder, failed);
    if (failed) {
        return Status::writeFailed(folder + ": cannot make the folder: " + failed.message());
    }
    const std::string absolute = absoluteFolderOf(folder + "/.");
    const Result<std::vector<std::string>> written =
        extractEmbeddedPictures(data_, images_, extension_, absolute, outputFiles());
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
    SlotPictures pictures = cartonic::exportPictures(data_, images_, projectFolder(options_),
                                                     &session_.pictures, &extension_);
    for (const PictureChoice& choice : options_.pictures) {
        pictures.paths[choice.slot] = choice.path;
    }
    return pictures;
}

Status RenderJob::writeModelFile(std::ostream& err) {
    std::vector<std::string> notes;
    const std::string& output = *options_.output;
    const Status written = writeModel(output, data_, exportPictures(), &notes);
    for (const std::string& note : notes) {
        say(err, "warning: " + note);
    }
    return written.prefixed(output + ": ");
}

Status RenderJob::render(std::ostream& err) {
    // The light's place follows from its angle and height, whatever the file stored.
    data_.updateLightPosition();
    if (session_.renderer) {
        session_.renderer->prepareRecord(data_);
    } else {
        auto made = HeadlessRenderer::create(data_);
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
    const DrawIn drawIn = drawInHeadless(*renderer, data_, images_);
    if (options_.turntable) {
        TurntableRequest request = turntableRequestFor(options_);
        request.look = extension_.settings.look;
        std::string rounded;
        if (Status settled = settleTurntable(request, &rounded); !settled) {
            return settled;
        }
        if (!rounded.empty()) {
            notes.push_back(rounded);
        }
        const std::string& output = *options_.output;
        Status written = writeTurntable(output, request, data_, cameraFor(options_), pictures,
                                        drawIn, &notes, output + ": ");
        warnNotes();
        return written;
    }
    const PictureRequest request{options_.width,   options_.height,      options_.outputFormat,
                                 options_.samples, options_.transparent, extension_.settings.look};
    RgbaPicture rendered;
    if (Status drawn =
            renderPicture(request, data_, cameraFor(options_), pictures, drawIn, rendered, &notes);
        !drawn) {
        return drawn;
    }
    warnNotes();
    if (options_.pictureToStandardOutput()) {
        return writePictureToDescriptor(STDOUT_FILENO, rendered, options_.outputFormat,
                                        options_.quality)
            .prefixed(std::string(kStandardOutputName) + ": ");
    }
    const std::string& output = *options_.output;
    return writePicture(output, rendered, options_.outputFormat, options_.quality)
        .prefixed(output + ": ");
}

Status RenderJob::save(std::ostream& err) {
    PictureBases bases;
    bases.fill(projectFolder(options_));
    const std::string workingDir = workingFolder();
    for (const PictureChoice& choice : options_.pictures) {
        bases[choice.slot] = workingDir;
    }
    // The pictures kept inside are the files as the slots name them now, before the paths are
    // rewritten for the saved project's folder.
    PicturePaths files;
    for (int k = 0; k < kSlotCount; ++k) {
        files[k] = resolveAgainst(bases[k], std::string(pathText(picturePathField(data_, k))));
    }
    ProjectData saved = data_;
    if (session_.renderer) {
        // The file's runtime fields hold this run's names.
        stampRuntimeNames(saved, session_.renderer->names());
    }
    if (Status rebased = rebasePicturePaths(saved, bases, absoluteFolderOf(*options_.save));
        !rebased) {
        return rebased;
    }
    std::vector<std::string> notes;
    gatherEmbeddedPictures(saved, images_, files, extension_, &notes);
    for (const std::string& note : notes) {
        say(err, "warning: " + note);
    }
    std::string kept;
    const Status written = saveProject(saved, extension_, *options_.save, &kept);
    if (written && !kept.empty()) {
        say(err, "warning: " + *options_.save + ": " + kept);
    }
    return written;
}

} // namespace cartonic
