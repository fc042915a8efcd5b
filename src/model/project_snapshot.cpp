#include "model/project_snapshot.h"

#include "model/record_fields.h"

#include <cstring>

namespace cartonic {

ProjectSnapshot snapshotOf(const ProjectData& data) {
    const ProjectData edited = editedFields(data);
    ProjectSnapshot snapshot;
    std::memcpy(snapshot.bytes.data(), &edited, sizeof edited);
    return snapshot;
}

} // namespace cartonic
