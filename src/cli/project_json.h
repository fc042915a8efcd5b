#pragma once

#include "model/project_data.h"
#include "model/project_extension.h"

#include <string>

namespace cartonic {

// The record as JSON: one key per field under the record's own field names, colours and vectors
// as arrays, vertices as {x,y,z,s,t} objects, paths as strings. Floats are printed in their
// shortest round-trip form. With an extension that holds anything (a look, the embed switch,
// pictures kept inside, parts of a later version), one more key, "extension", lists it: the
// settings, each picture's slot, face, name, bytes and SHA-256 (hex), each kept part's type and
// bytes. Without, the record's keys alone, as the record alone prints.
std::string projectToJson(const ProjectData& record, const ProjectExtension* extension = nullptr);

} // namespace cartonic
