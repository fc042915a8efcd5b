#include "base/regular_file.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace cartonic {

namespace {

constexpr std::int64_t kBytesPerMegabyte = std::int64_t{1} << 20;

// A size for messages, rounded up so that a size over a limit never reads as the limit.
std::string megabytes(std::int64_t bytes) {
    return std::to_string((bytes + kBytesPerMegabyte - 1) / kBytesPerMegabyte) + " MB";
}

Status cannotOpen(int error) {
    return Status::readFailed(error, "cannot open: " + errnoText(error));
}

Status notRegular() {
    return Status::unreadable("not a regular file");
}

} // namespace

Status checkRegularFile(int fd, const FileBound& bound, std::int64_t* size) {
    struct stat info {};
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        return notRegular();
    }
    if (info.st_size == 0 && bound.empty == EmptyFile::Refused) {
        return Status::badFormat("empty file");
    }
    // Nothing is read of a file larger than the reader may hold: even a header and a hole that
    // takes no disk could take minutes to scan.
    if (info.st_size > bound.mostBytes) {
        return Status::tooLarge("the file is too large: " + megabytes(info.st_size) + " (at most " +
                                megabytes(bound.mostBytes) + ")");
    }
    *size = info.st_size;
    return {};
}

Status openRegularFile(const std::string& path, const FileBound& bound, FileDescriptor& fd,
                       std::int64_t* size) {
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0) {
        return cannotOpen(errno);
    }
    if (!S_ISREG(info.st_mode)) {
        return notRegular();
    }
    FileDescriptor opened(::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC));
    if (!opened.valid()) {
        return cannotOpen(errno);
    }
    if (Status checked = checkRegularFile(opened.get(), bound, size); !checked) {
        return checked;
    }
    fd = std::move(opened);
    return {};
}

Status readFromStart(int fd, char* to, std::size_t size) {
    std::size_t done = 0;
    while (done < size) {
        const ssize_t got = ::pread(fd, to + done, size - done, static_cast<off_t>(done));
        if (got < 0 && errno == EINTR) {
            continue;
        }
        if (got < 0) {
            return Status::unreadable("read failed: " + errnoText());
        }
        if (got == 0) {
            return Status::unreadable("the file became shorter while it was read");
        }
        done += static_cast<std::size_t>(got);
    }
    return {};
}

} // namespace cartonic
