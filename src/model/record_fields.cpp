#include "model/record_fields.h"

#include <cstring>

namespace cartonic {

PlacedField fieldAt(std::size_t offset) {
    const RecordField* found = &kProjectFields[0];
    int slot = -1;
    std::size_t start = 0;
    forEachField([&](const PlacedField& placed) {
        if (offset >= placed.offset && offset < placed.offset + placed.field.size) {
            found = &placed.field;
            slot = placed.slot;
            start = placed.offset;
        }
    });
    return {*found, slot, start};
}

ProjectData editedFields(const ProjectData& data) {
    ProjectData edited = data;
    auto* bytes = reinterpret_cast<unsigned char*>(&edited);
    forEachField([&](const PlacedField& placed) {
        if (!isEdit(placed.field.kind)) {
            std::memset(bytes + placed.offset, 0, placed.field.size);
        }
    });
    return edited;
}

void copyRuntimeFields(ProjectData& to, const ProjectData& from) {
    auto* target = reinterpret_cast<unsigned char*>(&to);
    const auto* source = reinterpret_cast<const unsigned char*>(&from);
    forEachField([&](const PlacedField& placed) {
        if (placed.field.kind == FieldKind::Runtime) {
            std::memcpy(target + placed.offset, source + placed.offset, placed.field.size);
        }
    });
}

} // namespace cartonic
