#pragma once

// What a user has edited in a project, for telling whether there are unsaved changes: the record's
// edit bytes (record_fields.h) and the extension's settings, the same that undo records, so the
// two never disagree.

#include "model/project_data.h"
#include "model/project_extension.h"

#include <array>
#include <cstdint>

namespace cartonic {

struct ProjectSnapshot {
    std::array<std::uint8_t, sizeof(ProjectData)> bytes{};
    ExtensionSettings settings;
    friend bool operator==(const ProjectSnapshot&, const ProjectSnapshot&) = default;
};

ProjectSnapshot snapshotOf(const ProjectData& data, const ExtensionSettings& settings = {});

} // namespace cartonic
