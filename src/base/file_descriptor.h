#pragma once

// An owned POSIX file descriptor, and the one loop that writes a buffer whole.

#include "base/status.h"

#include <cerrno>
#include <cstddef>
#include <cstring>
#include <string>
#include <unistd.h>
#include <utility>

namespace cartonic {

// Closes its descriptor once, when it goes or is given another; -1 holds none.
class FileDescriptor {
public:
    FileDescriptor() = default;
    explicit FileDescriptor(int fd) : fd_(fd) {}
    ~FileDescriptor() { reset(); }
    FileDescriptor(FileDescriptor&& other) noexcept : fd_(other.release()) {}
    FileDescriptor& operator=(FileDescriptor&& other) noexcept {
        reset(other.release());
        return *this;
    }
    FileDescriptor(const FileDescriptor&) = delete;
    FileDescriptor& operator=(const FileDescriptor&) = delete;

    int get() const { return fd_; }
    bool valid() const { return fd_ >= 0; }

    // Gives up the descriptor without closing it.
    int release() { return std::exchange(fd_, -1); }

    // Closes the descriptor held, if any, and holds fd.
    void reset(int fd = -1) {
        if (fd_ >= 0) {
            ::close(fd_);
        }
        fd_ = fd;
    }

private:
    int fd_ = -1;
};

// The call a write goes through: ::write, or a stand-in with which a test fails a write as a full
// disk would.
using WriteCall = ssize_t (*)(int fd, const void* buffer, std::size_t n);

// Writes size bytes from data to fd through write, again after an interruption. WriteFailed with
// the system's reason when a write fails; a write of nothing without an error counts as a full
// disk, since trying again would loop for ever.
inline Status writeAll(int fd, const void* data, std::size_t size, WriteCall write = ::write) {
    const auto* at = static_cast<const unsigned char*>(data);
    while (size > 0) {
        const ssize_t n = write(fd, at, size);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            return Status::writeFailed(std::string("write failed: ") +
                                       std::strerror(n < 0 ? errno : ENOSPC));
        }
        at += n;
        size -= static_cast<std::size_t>(n);
    }
    return {};
}

} // namespace cartonic
