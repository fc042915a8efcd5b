#pragma once

// Reading a file named by someone else: a picture a project names, a document to draw, a file to
// keep inside a project. Only a regular file is ever opened: a FIFO would block the reader until
// a writer came, a device could rewind a tape or wait for a terminal, and a socket cannot be
// opened at all. The name is looked at before it is opened, so such a file is never opened, and
// the open file again after, because the name may lead elsewhere by then; a symbolic link counts
// as what it leads to. Every read is bounded in size before a byte is read.

#include "base/file_descriptor.h"
#include "base/status.h"

#include <cstddef>
#include <cstdint>
#include <string>

namespace cartonic {

// Whether a file of no bytes is refused, as a picture with nothing in it is.
enum class EmptyFile { Allowed, Refused };

// What a bounded read takes: files of at most mostBytes, and empty ones or not.
struct FileBound {
    std::int64_t mostBytes = 0;
    EmptyFile empty = EmptyFile::Refused;
};

// Opens the regular file at path (bytes as given) for reading, never blocking and never making it
// the controlling terminal; fd gets it and *size its size. NotFound ("cannot open: ..."),
// Unreadable ("not a regular file", a failed open), TooLarge over bound.mostBytes, BadFormat
// ("empty file") for an empty file bound refuses. fd and *size are untouched on failure.
Status openRegularFile(const std::string& path, const FileBound& bound, FileDescriptor& fd,
                       std::int64_t* size);

// The checks openRegularFile makes after opening, on a descriptor someone opened (a file handed
// over by another process): *size gets its size.
Status checkRegularFile(int fd, const FileBound& bound, std::int64_t* size);

// Reads size bytes from the start of fd into to, with pread, so the file's offset is left alone.
// Unreadable when a read fails, or when the file ends sooner (it became shorter meanwhile).
Status readFromStart(int fd, char* to, std::size_t size);

// The whole regular file at path, opened as openRegularFile opens it, into bytes (any container
// of bytes with resize and data: std::string, std::vector<std::uint8_t>, QByteArray). On
// failure bytes is left as it was.
template <typename Bytes>
Status readRegularFile(const std::string& path, const FileBound& bound, Bytes& bytes);

// The same from a descriptor someone opened, checked as checkRegularFile checks it.
template <typename Bytes>
Status readRegularFile(int fd, const FileBound& bound, Bytes& bytes);

namespace detail {

template <typename Bytes>
Status readWhole(int fd, std::int64_t size, Bytes& bytes) {
    Bytes read;
    read.resize(static_cast<decltype(read.size())>(size));
    if (Status done =
            readFromStart(fd, reinterpret_cast<char*>(read.data()), static_cast<std::size_t>(size));
        !done) {
        return done;
    }
    bytes.swap(read);
    return {};
}

} // namespace detail

template <typename Bytes>
Status readRegularFile(int fd, const FileBound& bound, Bytes& bytes) {
    std::int64_t size = 0;
    if (Status checked = checkRegularFile(fd, bound, &size); !checked) {
        return checked;
    }
    return detail::readWhole(fd, size, bytes);
}

template <typename Bytes>
Status readRegularFile(const std::string& path, const FileBound& bound, Bytes& bytes) {
    FileDescriptor fd;
    std::int64_t size = 0;
    if (Status opened = openRegularFile(path, bound, fd, &size); !opened) {
        return opened;
    }
    return detail::readWhole(fd.get(), size, bytes);
}

} // namespace cartonic
