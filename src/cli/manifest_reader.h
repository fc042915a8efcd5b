#pragma once

// A batch's manifest a line at a time, as the lines arrive: jobs start before the manifest ends
// (a pipe that a program still writes) and memory stays bounded whatever it holds.

#include "base/status.h"

#include <cstddef>
#include <string>
#include <vector>

namespace cartonic {

// The longest line a job may have; a longer one is a failed job, and its rest is skipped
// rather than read into memory.
inline constexpr std::size_t kMaxJobLineBytes = std::size_t{1} << 20;
// A line that runs on this long is no manifest's (a device, a binary file): reading stops.
inline constexpr std::size_t kMaxManifestLineBytes = std::size_t{64} << 20;

struct ManifestLine {
    std::size_t index = 0; // from 0, counting blank and over-long lines, as shards do
    std::string text;      // without its line end; empty when the line is refused
    // TooLarge for a line longer than kMaxJobLineBytes, which is no job and fails as one.
    Status status;
};

class ManifestReader {
public:
    // Reads fd, which stays open and the caller's, from where it is.
    explicit ManifestReader(int fd);

    // The next line, the last one also when no line end follows it. False at the end of the
    // manifest, or when it cannot be read further: status() then says why.
    bool next(ManifestLine& line);

    // Unreadable (with the system's reason) when a read failed; BadFormat for a line past
    // kMaxManifestLineBytes.
    const Status& status() const { return status_; }

private:
    // More bytes into the buffer; false at the end of the input or on a failure.
    bool fill();

    int fd_;
    std::vector<char> buffer_;
    std::size_t begin_ = 0; // unread bytes are [begin_, end_)
    std::size_t end_ = 0;
    std::size_t nextIndex_ = 0;
    bool ended_ = false;
    Status status_;
};

} // namespace cartonic
