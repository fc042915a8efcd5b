#pragma once

#include "model/project_data.h"

#include <string>

namespace cartonic {

// The record as JSON: one key per field under the record's own field names, colours and vectors
// as arrays, vertices as {x,y,z,s,t} objects, paths as strings. Floats are printed in their
// shortest round-trip form.
std::string projectToJson(const ProjectData& record);

} // namespace cartonic
