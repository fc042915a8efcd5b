#pragma once

// Writing a file whole or not at all, for project saves and exported pictures alike. The new
// content goes into a file that has no name yet, in the folder of the file it replaces; only
// once every byte is on disk does it take the target's name. A write that fails, or a process
// that dies while writing, leaves the old file as it was and nothing else in the folder: the
// kernel drops a file without a name when it is closed. File systems that cannot make one get
// a named temporary instead, which a kill while writing can leave behind.
//
// Paths are bytes as given, never decoded as text, and the temporary's name, when one is
// needed, is short whatever the target's length, so any name the file system takes works.

#include "base/file_descriptor.h"
#include "base/status.h"

#include <string>

namespace cartonic {

class ReplacementFile {
public:
    ReplacementFile() = default;
    ~ReplacementFile();
    ReplacementFile(const ReplacementFile&) = delete;
    ReplacementFile& operator=(const ReplacementFile&) = delete;

    // Starts the file that will replace path. A symbolic link is followed and the file at its
    // end replaced (save_target.h). A failure with a one-line reason when path leads to no file
    // or to what is not a regular file (resolveSaveTarget's), when the file exists and the user
    // may not write it, and when no file can be made in its folder (WriteFailed).
    Status open(const std::string& path);

    // The new file, open for writing; -1 when not open.
    int handle() const { return fd_.get(); }

    // Flushes the new file to disk and gives it the target's name, with the old file's mode
    // (or a new file's, from the umask). WriteFailed, with the old file intact and the new one
    // dropped, when any step fails.
    Status commit();

    // Drops the new file; the target stays as it was. What destruction does to an uncommitted
    // file.
    void discard();

private:
    Status publishUnnamed();

    FileDescriptor folder_; // the target's folder, for every call by name
    FileDescriptor fd_;
    std::string folderPath_; // for messages
    std::string name_;       // the target's name within folder_
    std::string temporary_;  // the named temporary, on file systems without unnamed files
};

// Writes n bytes as a new file named name in folder, whole or not at all, and never in place of
// anything: when name is taken by then (by any entry, a dangling link included, nothing is
// followed) nothing is written and *taken is set, with a WriteFailed. The file gets the new-file
// mode the umask leaves. For names several writers may want at once: each gets its own file.
Status writeNewFile(const std::string& folder, const std::string& name, const void* bytes,
                    std::size_t n, bool* taken);

} // namespace cartonic
