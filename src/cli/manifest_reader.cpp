#include "cli/manifest_reader.h"

#include <cerrno>
#include <cstring>
#include <unistd.h>

namespace cartonic {

namespace {

constexpr std::size_t kReadBytes = std::size_t{64} << 10;
constexpr std::size_t kBytesPerMiB = std::size_t{1} << 20;

} // namespace

ManifestReader::ManifestReader(int fd) : fd_(fd), buffer_(kReadBytes) {}

bool ManifestReader::fill() {
    for (;;) {
        const ssize_t n = ::read(fd_, buffer_.data(), buffer_.size());
        if (n > 0) {
            begin_ = 0;
            end_ = static_cast<std::size_t>(n);
            return true;
        }
        if (n < 0 && errno == EINTR) {
            continue;
        }
        ended_ = true;
        if (n < 0) {
            status_ = Status::readFailed(errno, "cannot read the batch: " + errnoText());
        }
        return false;
    }
}

bool ManifestReader::next(ManifestLine& line) {
    line.text.clear();
    line.status = Status();
    std::size_t length = 0;
    bool any = false; // a byte, or a line end, of this line was read
    for (;;) {
        if (begin_ == end_ && (ended_ || !fill())) {
            if (!status_ || !any) {
                return false;
            }
            break; // the last line, with no line end after it
        }
        any = true;
        const char* from = buffer_.data() + begin_;
        const std::size_t available = end_ - begin_;
        const auto* lineEnd = static_cast<const char*>(std::memchr(from, '\n', available));
        const std::size_t taken = lineEnd ? static_cast<std::size_t>(lineEnd - from) : available;
        length += taken;
        if (length > kMaxManifestLineBytes) {
            status_ = Status::badFormat(
                "not JSON Lines: line " + std::to_string(nextIndex_ + 1) + " runs on past " +
                std::to_string(kMaxManifestLineBytes / kBytesPerMiB) + " MiB without a line end");
            ended_ = true;
            return false;
        }
        if (length > kMaxJobLineBytes) {
            if (line.status) {
                line.status = Status::tooLarge("longer than the " +
                                               std::to_string(kMaxJobLineBytes / kBytesPerMiB) +
                                               " MiB a job's line may hold");
            }
            line.text.clear();
        } else {
            line.text.append(from, taken);
        }
        begin_ += taken;
        if (lineEnd) {
            ++begin_;
            break;
        }
    }
    line.index = nextIndex_++;
    return true;
}

} // namespace cartonic
