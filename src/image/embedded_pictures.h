#pragma once

// Pictures kept inside a project (model/project_extension.h): the slots' files taken in when a
// project is saved with Embed Pictures on, slots drawn from them when one is opened whose files
// are gone or changed, written out again by Extract Pictures, and handed to exports.

#include "base/status.h"
#include "image/restore_images.h"
#include "image/slot_pictures.h"
#include "model/project_data.h"
#include "model/project_extension.h"
#include "model/slot_images.h"

#include <string>
#include <vector>

namespace cartonic {

// Brings extension.pictures up to the slots for a save: a slot with a picture and a path keeps
// the copy it already shows (by shownAs), else takes in the file at files[slot] as it is now; the
// copy is named by the slot's path in data. A slot without a path keeps nothing; one without a
// picture keeps only a copy that could not be drawn when the project was opened (shown by no
// picture), its only picture. A file that cannot be read or is over kMaxEmbeddedPictureBytes is
// left out and *notes gets a line naming it. Does nothing while the switch is off.
void gatherEmbeddedPictures(const ProjectData& data, const SlotImages& images,
                            const PicturePaths& files, ProjectExtension& extension,
                            std::vector<std::string>* notes);

// After restoreProjectImages over the same data and baseDir: a slot with a kept copy whose file is
// missing, unreadable or another file (its SHA-256 differs) is drawn from the copy instead, and
// leaves unloaded. A slot whose file is the copy's is marked as showing it. Returns how many
// slots were drawn from inside the project; a copy that does not decode leaves its slot as it was.
int restoreEmbeddedPictures(ProjectData& data, SlotImages& images, ProjectExtension& extension,
                            const std::string& baseDir, std::vector<UnloadedPicture>& unloaded);

// Extract Pictures: writes each kept copy its slot shows into folder (absolute), by the file name
// of its name (a PDF page's document under its own name, the slot then naming its page), or the
// slot's name where that is no usable file name; numbered when another file there has it or it
// is among reserved (absolute paths the caller will write itself), and never in place of any
// file. Points the slot's path at the file written. One copy shown by two slots is written once.
// Returns the files the slots now name; a failure with its reason when a file cannot be written,
// or Usage when its path does not fit the record (checked before the file is written, and for
// every copy's first name before any is), the slots done before it pointed at their files.
Result<std::vector<std::string>>
extractEmbeddedPictures(ProjectData& data, const SlotImages& images,
                        const ProjectExtension& extension, const std::string& folder,
                        const std::vector<std::string>& reserved = {});

// The kept copies the slots show, as what an export decodes in place of their files.
void addEmbeddedSources(const ProjectExtension& extension, const SlotImages& images,
                        SlotPictures& pictures);

// True when slot's picture is the kept copy of picture.
bool showsKeptCopy(const EmbeddedPicture& picture, const SlotImage& slot);

} // namespace cartonic
