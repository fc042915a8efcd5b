#include "model/record_edit.h"

#include "model/record_fields.h"

#include <algorithm>
#include <cstddef>
#include <cstring>

namespace cartonic {

namespace {

constexpr std::size_t kRecordSize = sizeof(ProjectData);

const std::uint8_t* bytesOf(const ProjectData& data) {
    return reinterpret_cast<const std::uint8_t*>(&data);
}

constexpr const char* kOtherFields = "Project Settings";

std::string describeOffset(std::size_t offset) {
    const PlacedField placed = fieldAt(offset);
    if (!placed.field.label) {
        return kOtherFields;
    }
    if (placed.slot < 0) {
        return placed.field.label;
    }
    return placed.slot == kFloorSlot
               ? describePictureEdit(kFloorSlot)
               : std::string(kFaceNames[static_cast<std::size_t>(placed.slot)]) + " " +
                     placed.field.label;
}

} // namespace

RecordDelta diffRecords(const ProjectData& before, const ProjectData& after) {
    const ProjectData a = editedFields(before);
    const ProjectData b = editedFields(after);
    const std::uint8_t* x = bytesOf(a);
    const std::uint8_t* y = bytesOf(b);
    RecordDelta delta;
    std::size_t i = 0;
    while (i < kRecordSize) {
        if (x[i] == y[i]) {
            ++i;
            continue;
        }
        std::size_t end = i;
        while (end < kRecordSize && x[end] != y[end]) {
            ++end;
        }
        delta.runs.push_back({static_cast<std::uint32_t>(i), {x + i, x + end}, {y + i, y + end}});
        i = end;
    }
    return delta;
}

void applyDelta(ProjectData& data, const RecordDelta& delta, DeltaSide side) {
    auto* bytes = reinterpret_cast<std::uint8_t*>(&data);
    for (const ByteRun& run : delta.runs) {
        const std::vector<std::uint8_t>& from = side == DeltaSide::Before ? run.before : run.after;
        if (run.offset + from.size() <= kRecordSize) {
            std::memcpy(bytes + run.offset, from.data(), from.size());
        }
    }
}

RecordDelta mergeDeltas(const RecordDelta& earlier, const RecordDelta& later,
                        const ProjectData& current) {
    ProjectData first = current;
    applyDelta(first, later, DeltaSide::Before);
    applyDelta(first, earlier, DeltaSide::Before);
    return diffRecords(first, current);
}

std::string describeEdit(const RecordDelta& delta) {
    return delta.empty() ? kOtherFields : describeOffset(delta.runs.front().offset);
}

std::string describePictureEdit(int slot) {
    if (slot == kFloorSlot) {
        return "Floor Picture";
    }
    return std::string(kFaceNames[static_cast<std::size_t>(slot)]) + " Picture";
}

} // namespace cartonic
