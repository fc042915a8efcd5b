#pragma once

// A batch's manifest: JSON Lines, one job a line, each an object whose keys are cartonic-render's
// long options without their dashes and whose values are the options' values:
//
//   {"project": "a.ctn", "output": "a.jpg", "size": "1600x1200", "face": {"front": "v2.png"},
//    "yaw": 0.3, "samples": 4, "transparent": true}
//
// "project" is the project file; a switch takes true (given) or false (left out); "face" and
// "orientation" take an object from face names to values, or a "NAME=VALUE" text or a list of
// them; "box" takes its three numbers as a list or as "W,D,H" text. The batch's own options
// (batch, shard, cache-mb, quiet) and help are no job's. A line is UTF-8, as JSON is, so a file
// whose name is not UTF-8 is named through a link (or a copy) whose name is.

#include "base/status.h"

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace cartonic {

// The command-line arguments a manifest line stands for. Usage, with the reason (and the key it
// concerns), when the line is not a JSON object, a key is no job's option or a value has no
// command-line form; the arguments themselves are checked by parseRenderOptions, as a command
// line's are.
Status jobArguments(std::string_view line, std::vector<std::string>& args);

// Whether the manifest line at index (from 0) is shard's (index of count, from 1) to render.
constexpr bool inShard(std::size_t lineIndex, int shardIndex, int shardCount) {
    return shardCount >= 1 && lineIndex % static_cast<std::size_t>(shardCount) ==
                                  static_cast<std::size_t>(shardIndex - 1);
}

// A line holding nothing but blanks, which is no job.
bool blankLine(std::string_view line);

// Whether line is a JSON object, whatever its keys and values: what makes a file JSON Lines.
bool jsonObjectLine(std::string_view line);

} // namespace cartonic
