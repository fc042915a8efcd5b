#pragma once

// The record's fields as data (project_data.h lists them): what undo, the unsaved-changes question,
// loading and --print need to know of each without naming it.

#include "model/project_data.h"

#include <cstddef>

namespace cartonic {

struct RecordField {
    const char* name;
    std::size_t offset; // in its struct
    std::size_t size;
    FieldKind kind;
    const char* label; // what the user calls an edit of it; nullptr for none
};

#define CARTONIC_SLOT_FIELD_ENTRY(type, name, offset, kind, label)                                 \
    RecordField{#name, offset, sizeof(type), FieldKind::kind, label},
#define CARTONIC_PROJECT_FIELD_ENTRY(type, name, offset, kind, label)                              \
    RecordField{#name, offset, sizeof(type), FieldKind::kind, label},
inline constexpr RecordField kSlotFields[] = {CARTONIC_SLOT_FIELDS(CARTONIC_SLOT_FIELD_ENTRY)};
inline constexpr RecordField kProjectFields[] = {
    CARTONIC_PROJECT_FIELDS(CARTONIC_PROJECT_FIELD_ENTRY)};
#undef CARTONIC_SLOT_FIELD_ENTRY
#undef CARTONIC_PROJECT_FIELD_ENTRY

// Whether a change of a field of kind is an edit: what undo records and what makes a project
// unsaved.
constexpr bool isEdit(FieldKind kind) {
    return kind == FieldKind::Persistent || kind == FieldKind::Derived;
}

// One field where it lies in the record: its entry, the slot it belongs to (-1 for the record's
// own fields) and its offset from the record's start.
struct PlacedField {
    const RecordField& field;
    int slot;
    std::size_t offset;
};

// Calls visit for every field of the record in offset order, each slot's fields once per slot
// where the slot list lies.
template <class Visit>
void forEachField(Visit&& visit) {
    for (const RecordField& field : kProjectFields) {
        if (field.offset != offsetof(ProjectData, faceSlots)) {
            visit(PlacedField{field, -1, field.offset});
            continue;
        }
        for (int slot = 0; slot < kSlotCount; ++slot) {
            for (const RecordField& inSlot : kSlotFields) {
                visit(PlacedField{inSlot, slot,
                                  field.offset + static_cast<std::size_t>(slot) * sizeof(FaceSlot) +
                                      inSlot.offset});
            }
        }
    }
}

// The field that holds the record's byte at offset.
PlacedField fieldAt(std::size_t offset);

// data with every field that is no edit zeroed: two records are the same project as far as the
// user is concerned when these bytes are equal.
ProjectData editedFields(const ProjectData& data);

// Copies the runtime fields (picture handles, texture and display-list names) from one record to
// another.
void copyRuntimeFields(ProjectData& to, const ProjectData& from);

} // namespace cartonic
