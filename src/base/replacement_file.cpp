#include "base/replacement_file.h"

#include "base/save_target.h"

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <random>
#include <sys/stat.h>
#include <unistd.h>

namespace cartonic {

namespace {

// What any program asks for when it creates a file; the umask takes its share.
constexpr mode_t kNewFileMode = 0666;
// A file that will take an existing file's mode is its writer's alone until it has it.
constexpr mode_t kPrivateMode = 0600;
constexpr mode_t kPermissionBits = 07777;
// Short whatever the target's name, so a temporary fits wherever the target does.
constexpr std::string_view kTemporaryPrefix = ".cartonic-";
constexpr int kTemporaryRandomChars = 8;
constexpr std::string_view kNameChars =
    "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
// Clashes are one in 62^8 each; this many in a row means something else is wrong.
constexpr int kTemporaryNameTries = 100;

std::string temporaryName() {
    thread_local std::mt19937_64 engine{std::random_device{}()};
    std::uniform_int_distribution<std::size_t> pick(0, kNameChars.size() - 1);
    std::string name(kTemporaryPrefix);
    for (int i = 0; i < kTemporaryRandomChars; ++i) {
        name += kNameChars[pick(engine)];
    }
    return name;
}

// Files without a name are given one through their entry under /proc; without it mounted they
// could never be kept.
bool canNameUnnamedFiles() {
    static const bool procMounted = ::access("/proc/self/fd", X_OK) == 0;
    return procMounted;
}

// Errors from an O_TMPFILE open that mean the file system (or kernel) cannot make such a file.
bool noUnnamedFiles(int error) {
    return error == EOPNOTSUPP || error == EISDIR || error == EINVAL;
}

} // namespace

ReplacementFile::~ReplacementFile() {
    discard();
}

Status ReplacementFile::open(const std::string& path) {
    discard();
    const Result<std::string> target = resolveSaveTarget(path);
    if (!target) {
        return target.status;
    }
    folderPath_ = folderOf(target.value);
    const auto slash = target.value.rfind('/');
    name_ = slash == std::string::npos ? target.value : target.value.substr(slash + 1);
    if (name_.empty()) {
        return Status::writeFailed("the path names a folder, not a file");
    }
    const auto cannotCreate = [&](int error) {
        Status failed =
            Status::writeFailed("cannot create a file in " + folderPath_ + ": " + errnoText(error));
        discard();
        return failed;
    };
    // Every later call goes through this folder by name, so the new file lands beside the old
    // one even if the folder's path changes meanwhile.
    folder_.reset(::open(folderPath_.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC));
    if (!folder_.valid()) {
        return cannotCreate(errno);
    }

    bool replacing = false;
    struct stat old {};
    if (::fstatat(folder_.get(), name_.c_str(), &old, 0) == 0) {
        // Replacing by rename needs no write permission on the file itself; a write-protected
        // file is kept as its owner meant.
        if (::faccessat(folder_.get(), name_.c_str(), W_OK, AT_EACCESS) != 0) {
            Status failed = Status::writeFailed("the file is write-protected: " + errnoText());
            discard();
            return failed;
        }
        replacing = true;
    }

    const mode_t createMode = replacing ? kPrivateMode : kNewFileMode;
    if (canNameUnnamedFiles()) {
        fd_.reset(::openat(folder_.get(), ".", O_TMPFILE | O_WRONLY | O_CLOEXEC, createMode));
        if (!fd_.valid() && !noUnnamedFiles(errno)) {
            return cannotCreate(errno);
        }
    }
    for (int tries = 0; !fd_.valid() && tries < kTemporaryNameTries; ++tries) {
        const std::string candidate = temporaryName();
        fd_.reset(::openat(folder_.get(), candidate.c_str(),
                           O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, createMode));
        if (fd_.valid()) {
            temporary_ = candidate;
        } else if (errno != EEXIST) {
            break;
        }
    }
    if (!fd_.valid()) {
        return cannotCreate(errno);
    }
    // Not every file system keeps modes (FAT has none); there the file gets what it can have,
    // as a plain create would.
    if (replacing) {
        ::fchmod(fd_.get(), old.st_mode & kPermissionBits);
    }
    return {};
}

Status ReplacementFile::commit() {
    if (!fd_.valid()) {
        return Status::usage("no file is being written");
    }
    Status done;
    if (::fsync(fd_.get()) != 0) {
        done = Status::writeFailed("flush failed: " + errnoText());
    } else if (temporary_.empty()) {
        done = publishUnnamed();
    } else {
        const int closed = ::close(fd_.release());
        if (closed != 0) {
            done = Status::writeFailed("close failed: " + errnoText());
        } else if (::renameat(folder_.get(), temporary_.c_str(), folder_.get(), name_.c_str()) !=
                   0) {
            done = Status::writeFailed("cannot replace the file: " + errnoText());
        } else {
            temporary_.clear();
        }
    }
    // An unnamed file is closed only once it has its name (closing would drop it); its bytes
    // are on disk by then, so what close could still report is no reason to undo the save.
    discard();
    return done;
}

Status ReplacementFile::publishUnnamed() {
    const std::string self = "/proc/self/fd/" + std::to_string(fd_.get());
    const auto link = [&](const std::string& name) {
        return ::linkat(AT_FDCWD, self.c_str(), folder_.get(), name.c_str(), AT_SYMLINK_FOLLOW) ==
               0;
    };
    if (link(name_)) {
        return {};
    }
    if (errno != EEXIST) {
        return Status::writeFailed("cannot create the file: " + errnoText());
    }
    // Nothing replaces a file with one that has no name: the new file takes a temporary name
    // and is renamed over the old one. Signals that would end the process wait until both steps
    // are done, so an interrupted run leaves no temporary; only SIGKILL, which cannot wait,
    // between these two calls can.
    sigset_t all{}, previous{};
    ::sigfillset(&all);
    ::pthread_sigmask(SIG_BLOCK, &all, &previous);
    std::string temporary;
    bool linked = false;
    for (int tries = 0; !linked && tries < kTemporaryNameTries; ++tries) {
        temporary = temporaryName();
        linked = link(temporary);
        if (!linked && errno != EEXIST) {
            break;
        }
    }
    bool ok =
        linked && ::renameat(folder_.get(), temporary.c_str(), folder_.get(), name_.c_str()) == 0;
    const int error = errno;
    if (linked && !ok) {
        ::unlinkat(folder_.get(), temporary.c_str(), 0);
    }
    ::pthread_sigmask(SIG_SETMASK, &previous, nullptr);
    if (!ok) {
        return Status::writeFailed("cannot replace the file: " + errnoText(error));
    }
    return {};
}

void ReplacementFile::discard() {
    fd_.reset();
    if (!temporary_.empty()) {
        ::unlinkat(folder_.get(), temporary_.c_str(), 0);
    }
    folder_.reset();
    temporary_.clear();
}

Status writeNewFile(const std::string& folder, const std::string& name, const void* bytes,
                    std::size_t n, bool* taken) {
    *taken = false;
    const FileDescriptor dir(::open(folder.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC));
    if (!dir.valid()) {
        return Status::writeFailed("cannot open the folder " + folder + ": " + errnoText());
    }
    const auto nameTaken = [&] {
        *taken = true;
        return Status::writeFailed(name + ": the name is taken");
    };
    // Unnamed first, so that the name only ever leads to the whole file.
    FileDescriptor file;
    if (canNameUnnamedFiles()) {
        file.reset(::openat(dir.get(), ".", O_TMPFILE | O_WRONLY | O_CLOEXEC, kNewFileMode));
        if (!file.valid() && !noUnnamedFiles(errno)) {
            return Status::writeFailed("cannot create a file in " + folder + ": " + errnoText());
        }
    }
    if (file.valid()) {
        if (Status written = writeAll(file.get(), bytes, n); !written) {
            return written;
        }
        if (::fsync(file.get()) != 0) {
            return Status::writeFailed("flush failed: " + errnoText());
        }
        const std::string self = "/proc/self/fd/" + std::to_string(file.get());
        if (::linkat(AT_FDCWD, self.c_str(), dir.get(), name.c_str(), AT_SYMLINK_FOLLOW) == 0) {
            return {};
        }
        return errno == EEXIST ? nameTaken()
                               : Status::writeFailed("cannot create the file: " + errnoText());
    }
    // Without unnamed files: a named temporary, written whole, then given the name only if it is
    // free. A link, or a rename that replaces nothing, fails on any entry by that name and
    // follows none.
    std::string temporary;
    for (int tries = 0; !file.valid() && tries < kTemporaryNameTries; ++tries) {
        temporary = temporaryName();
        file.reset(::openat(dir.get(), temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC,
                            kNewFileMode));
        if (!file.valid() && errno != EEXIST) {
            break;
        }
    }
    if (!file.valid()) {
        return Status::writeFailed("cannot create a file in " + folder + ": " + errnoText());
    }
    Status done = writeAll(file.get(), bytes, n);
    if (done && ::fsync(file.get()) != 0) {
        done = Status::writeFailed("flush failed: " + errnoText());
    }
    file.reset();
    if (done) {
        const bool named =
            ::linkat(dir.get(), temporary.c_str(), dir.get(), name.c_str(), 0) == 0 ||
            (errno != EEXIST && ::renameat2(dir.get(), temporary.c_str(), dir.get(), name.c_str(),
                                            RENAME_NOREPLACE) == 0);
        if (!named) {
            done = errno == EEXIST ? nameTaken()
                                   : Status::writeFailed("cannot create the file: " + errnoText());
        }
    }
    // After a link the temporary is a second name; after a rename it is gone already.
    ::unlinkat(dir.get(), temporary.c_str(), 0);
    return done;
}

} // namespace cartonic
