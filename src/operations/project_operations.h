#pragma once

// What a user does to a whole project, written once for the window and the command line alike.
// An operation does all it was asked or, when it fails, leaves the project exactly as it was and
// says why in its Status; what it did that the user should still hear of comes back as notes, one
// line each. The shells only ask, and turn the answers into dialogs, status lines or exit codes.

#include "base/status.h"
#include "image/dieline.h"
#include "image/restore_images.h"
#include "model/box_sides.h"
#include "model/picture_paths.h"
#include "model/product_presets.h"
#include "model/project.h"

#include <QImage>
#include <QString>

#include <optional>
#include <string>
#include <vector>

namespace cartonic {

// File > New: the record's defaults; every picture, the extension and the path dropped.
void newProject(Project& project);

// Opens the project file at path: record, extension and path become the file's, and its pictures
// are dropped until loadProjectPictures brings them. A failure (NotFound, Unreadable, BadFormat)
// leaves the project as it was. *note gets one line on what of the extension could not be read,
// "" when nothing.
Status openProject(Project& project, const std::string& path, std::string* note);

// What loading a project's pictures found.
struct PicturesReport {
    std::vector<UnloadedPicture> unloaded; // named but not loaded, with why, in slot order
    int fromInside = 0;                    // slots drawn from the copies kept inside the project
};

// Loads every picture the record names, relative paths taken against the project's folder, and
// draws a slot from the copy kept inside the project where its file is missing, unreadable or
// another file. load, when given, stands in for loadImage (a cache's).
PicturesReport loadProjectPictures(Project& project, const SlotPictureLoader& load = {});

// File > Save and Save As, --save: writes the project to path with the names it was last drawn
// with in its runtime fields, its pictures inside while the switch is on, and its relative
// picture paths, taken against bases (by slot; the project's folder when none), rewritten for
// path's folder. The project then lives at path and holds the rewritten paths. A failure (the
// file's, or TooLarge for a path that no longer fits) leaves the project and any earlier file as
// they were. notes get the pictures that could not be kept inside and what of the extension a
// save cannot keep.
Status saveProject(Project& project, const std::string& path, std::vector<std::string>* notes,
                   const PictureBases* bases = nullptr);

// Puts the picture file at path (a PDF's page by its "#page=N") on slot (a face, or kFloorSlot):
// decoded, its size recorded and path stored as given. Usage for a path a path field cannot hold
// whole; the loader's failures otherwise. load stands in for loadImage when given.
Status setPicture(Project& project, int slot, const std::string& path,
                  const SlotPictureLoader& load = {});

// A product preset: the box proportioned to its millimetres and, for a book, its page faces given
// the page edges' picture, kept in keptFolder (kept_pictures.h).
Status applyPreset(Project& project, const ProductPreset& preset, const QString& keptFolder,
                   const SlotPictureLoader& load = {});

// A dieline: the panels cut from net as cut says, each turned for its face's orientation, kept in
// keptFolder and put on the six faces; the box proportioned to proportions first when given.
Status importDieline(Project& project, const QImage& net, const DielineCut& cut,
                     const std::optional<BoxSides>& proportions, const QString& keptFolder,
                     const SlotPictureLoader& load = {});

} // namespace cartonic
