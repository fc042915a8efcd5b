#pragma once

// Where a save really writes. Saves replace a file by renaming a finished copy over it; done on a
// symbolic link, that rename would replace the link with a plain file and leave the file it leads
// to as it was. So a save follows the link and replaces the file at its end, in that file's own
// folder, and the link stays a link.

#include "base/status.h"

#include <string>

namespace cartonic {

// The file a save to path must replace: path itself, or, when path is a symbolic link, the file
// at the end of its chain of links (a relative link read from the folder it lies in). A path
// that does not exist yet comes back as it is, for the save to create. A failure with a one-line
// reason when a link leads to nothing (a missing file, a loop: NotFound) or cannot be read
// (Unreadable), or when what would be replaced is not a regular file (a folder, a FIFO, a
// device, a socket: WriteFailed): a save never replaces those.
Result<std::string> resolveSaveTarget(const std::string& path);

// The folder a file of path lies in: "." for a bare name, "/" for a file at the root.
std::string folderOf(const std::string& path);

} // namespace cartonic
