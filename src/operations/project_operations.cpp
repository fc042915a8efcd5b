#include "operations/project_operations.h"

#include "image/embedded_pictures.h"
#include "image/image_loader.h"
#include "image/kept_pictures.h"
#include "image/page_edges.h"
#include "image/slot_pictures.h"
#include "model/project_file.h"

#include <QFile>

namespace cartonic {

namespace {

Path& pathField(ProjectData& data, int slot) {
    return slot == kFloorSlot ? data.floorImagePath : data.faceSlots[slot].imagePath;
}

Status loadWith(const SlotPictureLoader& load, FaceSlot& slot, SlotImage& image,
                const std::string& path) {
    return load ? load(slot, image, path) : loadImage(slot, image, path);
}

} // namespace

void newProject(Project& project) {
    resetProject(project.record, project.pictures);
    // The floor picture goes too, so what is seen is what would be saved.
    project.pictures[kFloorSlot] = SlotImage{};
    project.extension = {};
    project.path.clear();
}

Status openProject(Project& project, const std::string& path, std::string* note) {
    ProjectData record = project.record;
    ProjectExtension extension;
    if (Status loaded = loadProject(record, extension, path, note); !loaded) {
        return loaded;
    }
    project.record = record;
    project.extension = std::move(extension);
    project.pictures = SlotImages{};
    project.path = path;
    return {};
}

PicturesReport loadProjectPictures(Project& project, const SlotPictureLoader& load) {
    PicturesReport report;
    const std::string folder = project.folder();
    report.unloaded = restoreProjectImages(project.record, project.pictures, folder, load);
    report.fromInside = restoreEmbeddedPictures(project.record, project.pictures, project.extension,
                                                folder, report.unloaded);
    return report;
}

Status saveProject(Project& project, const std::string& path, std::vector<std::string>* notes,
                   const PictureBases* bases) {
    PictureBases from;
    from.fill(project.folder().empty() ? workingFolder() : project.folder());
    if (bases) {
        from = *bases;
    }
    // The pictures kept inside are the files as the slots name them now, before the paths are
    // rewritten for the saved project's folder.
    PicturePaths files;
    for (int k = 0; k < kSlotCount; ++k) {
        files[k] = resolveAgainst(from[k], std::string(pathText(pathField(project.record, k))));
    }
    ProjectData rebased = project.record;
    if (Status fits = rebasePicturePaths(rebased, from, absoluteFolderOf(path)); !fits) {
        return fits;
    }
    ProjectExtension extension = project.extension;
    std::vector<std::string> said;
    gatherEmbeddedPictures(rebased, project.pictures, files, extension, &said);
    // The file's runtime fields hold the names of the run that saved it.
    ProjectData stamped = rebased;
    stampRuntimeNames(stamped, project.drawnWith);
    std::string kept;
    if (Status written = cartonic::saveProject(stamped, extension, path, &kept); !written) {
        return written;
    }
    if (!kept.empty()) {
        said.push_back(kept);
    }
    // Said once: the file now written holds none of what could not be read.
    extension.droppedBytes = 0;
    project.record = rebased;
    project.extension = std::move(extension);
    project.path = path;
    if (notes) {
        notes->insert(notes->end(), said.begin(), said.end());
    }
    return {};
}

Status setPicture(Project& project, int slot, const std::string& path,
                  const SlotPictureLoader& load) {
    // A path the record cannot hold whole would be saved cut short and name another file.
    if (path.empty()) {
        return Status::usage("no picture file is named");
    }
    if (path.size() >= kPathSize) {
        return Status::usage("the path is longer than the " + std::to_string(kPathSize - 1) +
                             " bytes a project can name");
    }
    FaceSlot face = project.record.faceSlots[slot];
    SlotImage image;
    if (Status loaded = loadWith(load, face, image, path); !loaded) {
        return loaded;
    }
    project.record.faceSlots[slot].imageWidth = face.imageWidth;
    project.record.faceSlots[slot].imageHeight = face.imageHeight;
    project.pictures[slot] = std::move(image);
    setPath(pathField(project.record, slot), path);
    return {};
}

Status applyPreset(Project& project, const ProductPreset& preset, const QString& keptFolder,
                   const SlotPictureLoader& load) {
    Project next = project;
    proportionBox(next.record, preset.millimetres);
    if (preset.book) {
        for (const Face face : kPageFaces) {
            const Result<QString> file = keepPicture(pageEdgePicture(face), keptFolder);
            if (!file) {
                return file.status.prefixed("cannot keep the page edges' picture: ");
            }
            if (Status set =
                    setPicture(next, face, QFile::encodeName(file.value).toStdString(), load);
                !set) {
                return set.prefixed("cannot load the page edges' picture: ");
            }
        }
    }
    project = std::move(next);
    return {};
}

Status importDieline(Project& project, const QImage& net, const DielineCut& cut,
                     const std::optional<BoxSides>& proportions, const QString& keptFolder,
                     const SlotPictureLoader& load) {
    Project next = project;
    if (proportions) {
        proportionBox(next.record, *proportions);
    }
    const auto kept = keepPanels(net, cut, next.record, keptFolder);
    if (!kept) {
        return kept.status;
    }
    for (int face = 0; face < kFaceCount; ++face) {
        if (Status set = setPicture(next, face, kept.value[face], load); !set) {
            return set.prefixed("cannot load the " + std::string(kFaceNames[face]) +
                                " face's panel: ");
        }
    }
    project = std::move(next);
    return {};
}

} // namespace cartonic
