#include "model/project_snapshot.h"

#include "model/record_fields.h"

#include <cstring>

namespace cartonic {

ProjectSnapshot snapshotOf(const ProjectData& data, const ExtensionSettings& settings) {
    const ProjectData edited = editedFields(data);
    ProjectSnapshot snapshot;
    std::memcpy(snapshot.bytes.data(), &edited, sizeof edited);
    snapshot.settings = settings;
    return snapshot;
}

} // namespace cartonic
