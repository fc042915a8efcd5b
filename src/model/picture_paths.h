#pragma once

// Picture paths of a project saved from the command line. A relative path only means something
// together with the folder it was taken against: the working directory for pictures named on the
// command line, the project file's folder for paths a project stores. A saved project must find
// its pictures from its own folder, as the application's Open takes them.

#include "base/status.h"
#include "model/project_data.h"

#include <array>
#include <string>

namespace cartonic {

// The folder each slot's picture path is taken against (slots 0..5: imagePath, slot 6:
// floorImagePath), as absolute folders.
using PictureBases = std::array<std::string, kSlotCount>;

// The working directory, absolute.
std::string workingFolder();

// The absolute folder of a file path with its links resolved (the working directory for a bare
// name); parts that do not exist are taken lexically.
std::string absoluteFolderOf(const std::string& filePath);

// path, taken against baseDir, as a path to store in a project that lives in saveDir (both
// absolute). Empty and absolute paths are kept; a relative path keeps its text when the two
// folders are the same and is otherwise made relative to saveDir between the real folders, with
// ".." where needed, or made absolute when no relative path reaches the picture.
std::string rebasePath(const std::string& path, const std::string& baseDir,
                       const std::string& saveDir);

// Rewrites every picture path of data with rebasePath for a project saved in saveDir. TooLarge,
// naming the rewritten path, with data untouched, when a rewritten path would not fit a path
// field.
Status rebasePicturePaths(ProjectData& data, const PictureBases& bases, const std::string& saveDir);

} // namespace cartonic
