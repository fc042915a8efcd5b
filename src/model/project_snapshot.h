#pragma once

// What a user has edited in a project, for telling whether there are unsaved changes: the record's
// bytes with the runtime fields (picture handles and sizes, texture and display-list names)
// blanked, since those change when pictures are restored or textures built, not when the user
// edits. The selected face is left out too: choosing a face to look at is no change.

#include "model/project_data.h"

#include <array>
#include <cstdint>

namespace cartonic {

struct ProjectSnapshot {
    std::array<std::uint8_t, sizeof(ProjectData)> bytes{};
    friend bool operator==(const ProjectSnapshot&, const ProjectSnapshot&) = default;
};

ProjectSnapshot snapshotOf(const ProjectData& data);

} // namespace cartonic
