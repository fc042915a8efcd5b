#pragma once

#include "base/status.h"
#include "model/project_data.h"
#include "model/project_extension.h"

#include <string>
#include <sys/types.h>

namespace cartonic {

// Project file (.ctn), 4424 bytes, little-endian:
//
//   offset  size  content
//        0     4  magic 0xFFEE0033 (bytes 33 00 EE FF)
//        4  4420  the ProjectData record byte for byte (project_data.h), padding, reserved
//                 words and runtime fields included; text fields with all 260 bytes
//
// No version and no checksum. Reading checks the magic only; a shorter file replaces the start of
// the record and leaves the rest. Bytes after 4424 are the extension (project_extension.h), which
// a reader of the record alone ignores. What a file cannot be trusted with
// is neutralised on load: the runtime fields (picture handles, texture and display-list names)
// keep the live record's values, a selectedFace outside 0..5 becomes 0, a path without a
// terminator is cut to its first 259 bytes, and box scales outside (0, 50] are brought into range.

inline constexpr std::uint32_t kProjectMagic = 0xFFEE0033u;
inline constexpr const char* kProjectFileSuffix = "ctn"; // without the dot
inline constexpr std::size_t kProjectFileSize = 4 + sizeof(ProjectData);

// Writes data to path atomically (replacement_file.h): a failure, or the process dying, leaves
// any earlier file as it was and no other file behind. A symbolic link is followed and the file
// it leads to replaced (save_target.h). A failure with its reason when any step fails, when
// path names a file the user may not write to, and when it leads to no file or to what is not a
// regular file (replacement_file.h says which kind each is).
Status saveProject(const ProjectData& data, const std::string& path);
// The same with the extension after the record; with nothing in it, the very same bytes.
// TooLarge, with nothing written, for a file larger than kMaxProjectFileBytes, the most a load
// reads. *note, when given, gets one line on what of the extension the save cannot keep
// (extensionSaveNote), "" when it keeps everything.
Status saveProject(const ProjectData& data, const ProjectExtension& extension,
                   const std::string& path, std::string* note = nullptr);

// Test seam: the call that writes a save's bytes, ::write unless replaced, so tests can make a
// save fail as a full disk would. nullptr puts ::write back.
using SaveWriteFunction = ssize_t (*)(int fd, const void* buffer, std::size_t n);
void setSaveWriteFunction(SaveWriteFunction write);

// Replaces data from path. A failure with its reason, data untouched, when the path does not
// exist (NotFound), is not a readable regular file (Unreadable) or does not begin with the magic
// number (BadFormat).
Status loadProject(ProjectData& data, const std::string& path);
// The same, and the extension that follows the record into extension (empty when the file has
// none, untouched on failure). The extension never fails the load: *note gets one line on what
// of it could not be read (a file over kMaxProjectFileBytes loses all of it), "" when nothing.
Status loadProject(ProjectData& data, ProjectExtension& extension, const std::string& path,
                   std::string* note);

// Brings values a file may carry back within the record's invariants (see above); runtime fields
// are taken from live.
void sanitizeLoaded(ProjectData& loaded, const ProjectData& live);

} // namespace cartonic
