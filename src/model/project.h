#pragma once

// The project a window or a job works on, as one object: its record, the pictures of its slots,
// what its file keeps after the record, and where it lives. One per window and one per job;
// whatever draws, saves, exports or edits it takes it (or a const reference to it), and nothing
// else holds a piece of it. The record describes the scene and its one product; products beyond
// it will live in the extension, so that the file's first 4424 bytes stay the first product's.

#include "model/project_data.h"
#include "model/project_extension.h"
#include "model/runtime_names.h"
#include "model/scene_look.h"
#include "model/slot_images.h"

#include <string>

namespace cartonic {

struct Project {
    ProjectData record;
    SlotImages pictures;
    ProjectExtension extension;
    // The file it was opened from or last saved to, as the file system takes it; "" while new.
    std::string path;
    // The names the last context that drew it drew with, which a save records.
    SceneTextures drawnWith;

    // The soft shadow and fading reflection its frames are drawn with.
    const SceneLook& look() const { return extension.settings.look; }
    SceneLook& look() { return extension.settings.look; }
    // The folder its relative picture paths are taken against: path's, absolute; "" (the working
    // folder) while new.
    std::string folder() const;
};

} // namespace cartonic
