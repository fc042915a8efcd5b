#pragma once

// What one edit changed in the project record, as runs of bytes before and after, so an edit can
// be undone and redone without knowing which control made it. What is an edit is the field
// table's word (record_fields.h): runtime names and where the user is looking never are.

#include "model/project_data.h"

#include <cstdint>
#include <string>
#include <vector>

namespace cartonic {

struct ByteRun {
    std::uint32_t offset = 0; // into the record
    std::vector<std::uint8_t> before;
    std::vector<std::uint8_t> after;
};

struct RecordDelta {
    std::vector<ByteRun> runs; // in rising offset order, never touching each other

    bool empty() const { return runs.empty(); }
};

enum class DeltaSide { Before, After };

// The runs of edit bytes in which before and after differ.
RecordDelta diffRecords(const ProjectData& before, const ProjectData& after);

// Writes one side of every run into data; the other bytes stay as they are.
void applyDelta(ProjectData& data, const RecordDelta& delta, DeltaSide side);

// earlier followed by later as one delta. current is the record after later.
RecordDelta mergeDeltas(const RecordDelta& earlier, const RecordDelta& later,
                        const ProjectData& current);

// What the user would call the change, from the first field it touches: "Front Picture",
// "Box Width", "Light Position". "Project Settings" for fields no control edits.
std::string describeEdit(const RecordDelta& delta);

// The name of a change of slot's picture alone ("Front Picture", "Floor Picture").
std::string describePictureEdit(int slot);

} // namespace cartonic
