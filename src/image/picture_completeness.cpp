#include "image/picture_completeness.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <limits>
#include <unistd.h>
#include <utility>
#include <vector>

namespace cartonic {

namespace {

constexpr std::size_t kChunkBytes = 64 * 1024;

// Sequential reads of a file through pread, a chunk at a time.
class ByteSource {
public:
    ByteSource(int fd, std::int64_t size) : fd_(fd), size_(size), chunk_(kChunkBytes) {}

    // errno of a failed read, 0 when every read worked.
    int error() const { return error_; }

    // The next byte, or -1 at the end of the file (or on a read error).
    int get() {
        if (at_ == length_ && !fill()) {
            return -1;
        }
        return chunk_[at_++];
    }

    bool read(std::uint8_t* out, std::size_t n) {
        for (std::size_t i = 0; i < n; ++i) {
            const int b = get();
            if (b < 0) {
                return false;
            }
            out[i] = static_cast<std::uint8_t>(b);
        }
        return true;
    }

    // Moves n bytes on; false when the file ends first.
    bool skip(std::int64_t n) {
        const std::int64_t target = position() + n;
        if (n < 0 || target > size_) {
            return false;
        }
        const auto ahead = static_cast<std::int64_t>(length_ - at_);
        if (n <= ahead) {
            at_ += static_cast<std::size_t>(n);
        } else {
            start_ = target;
            at_ = length_ = 0;
        }
        return true;
    }

    // Moves on to the next byte equal to value without taking it; false when there is none.
    // value is never 0: holes in a sparse file read as zeros, so they are stepped over unread.
    bool seekTo(std::uint8_t value) {
        for (;;) {
            if (at_ == length_ && !fillAt(nextData(start_ + static_cast<std::int64_t>(length_)))) {
                return false;
            }
            const void* hit = std::memchr(chunk_.data() + at_, value, length_ - at_);
            if (hit) {
                at_ =
                    static_cast<std::size_t>(static_cast<const std::uint8_t*>(hit) - chunk_.data());
                return true;
            }
            at_ = length_;
        }
    }

    // Goes to offset; false when the file ends first.
    bool seek(std::int64_t offset) {
        if (offset < 0 || offset > size_) {
            return false;
        }
        start_ = offset;
        at_ = length_ = 0;
        return true;
    }

    // Offset of the next byte.
    std::int64_t position() const { return start_ + static_cast<std::int64_t>(at_); }

private:
    bool fill() { return fillAt(start_ + static_cast<std::int64_t>(length_)); }

    bool fillAt(std::int64_t offset) {
        start_ = offset;
        at_ = length_ = 0;
        if (start_ >= size_ || error_ != 0) {
            return false;
        }
        ssize_t got;
        do {
            got = ::pread(fd_, chunk_.data(), chunk_.size(), start_);
        } while (got < 0 && errno == EINTR);
        if (got <= 0) {
            error_ = got < 0 ? errno : 0;
            return false;
        }
        length_ = static_cast<std::size_t>(got);
        return true;
    }

    // The first offset from offset on that is not in a hole: the end of the file when only a
    // hole follows, offset itself where the system cannot tell. The file offset is put back.
    std::int64_t nextData(std::int64_t offset) const {
        const off_t kept = ::lseek(fd_, 0, SEEK_CUR);
        const off_t data = ::lseek(fd_, offset, SEEK_DATA);
        const int error = errno;
        ::lseek(fd_, kept, SEEK_SET);
        if (data < 0) {
            return error == ENXIO ? size_ : offset;
        }
        return std::max<std::int64_t>(offset, data);
    }

    int fd_;
    std::int64_t size_;
    std::vector<std::uint8_t> chunk_;
    std::int64_t start_ = 0; // file offset of chunk_[0]
    std::size_t at_ = 0;
    std::size_t length_ = 0;
    int error_ = 0;
};

std::uint32_t le16(const std::uint8_t* p) {
    return std::uint32_t(p[0]) | std::uint32_t(p[1]) << 8;
}
std::uint32_t le32(const std::uint8_t* p) {
    return le16(p) | le16(p + 2) << 16;
}

Status cutShort() {
    return Status::badFormat(kPictureCutShort);
}

Status runsOn() {
    return Status::badFormat(kPictureRunsOn);
}

// A run-length stream reaches its end-of-bitmap mark, or its last row, before the file ends. The
// decoder writes into a zeroed picture, so pixels a stream skips on purpose (a delta, an early end
// of line or of bitmap) are defined; only a stream that simply stops is refused. The walk stops
// where the picture ends, as the decoder does, whatever follows.
bool rleComplete(ByteSource& in, std::int64_t width, std::int64_t height, bool fourBit) {
    constexpr int kEscape = 0, kEndOfLine = 0, kEndOfBitmap = 1, kDelta = 2;
    std::int64_t x = 0, y = 0;
    while (y < height && !(y == height - 1 && x >= width)) {
        const int count = in.get();
        const int value = in.get();
        if (value < 0) {
            return false;
        }
        if (count != kEscape) {
            x += count;
        } else if (value == kEndOfLine) {
            x = 0;
            ++y;
        } else if (value == kEndOfBitmap) {
            return true;
        } else if (value == kDelta) {
            const int dx = in.get();
            const int dy = in.get();
            if (dx < 0 || dy < 0) {
                return false;
            }
            x += dx;
            y += dy;
        } else {
            // Absolute mode: value pixels, packed two to a byte in RLE4, padded to whole words.
            const std::int64_t bytes = fourBit ? (value + 1) / 2 : value;
            if (!in.skip(bytes + bytes % 2)) {
                return false;
            }
            x += value;
        }
    }
    return true;
}

// Rows of an uncompressed bitmap are read straight into the picture; the file must hold them all.
Status bmpComplete(ByteSource& in, std::int64_t size) {
    constexpr std::size_t kFileHeader = 14, kCoreHeader = 12, kInfoHeader = 40;
    std::uint8_t h[kFileHeader + kInfoHeader] = {};
    if (!in.read(h, kFileHeader + 4)) {
        return cutShort();
    }
    const std::int64_t dataAt = le32(h + 10);
    const std::uint32_t headerSize = le32(h + kFileHeader);
    std::int64_t width = 0, height = 0;
    std::uint32_t bits = 0, compression = 0;
    if (headerSize == kCoreHeader) {
        if (!in.read(h + kFileHeader + 4, kCoreHeader - 4)) {
            return cutShort();
        }
        width = le16(h + 18);
        height = le16(h + 20);
        bits = le16(h + 24);
    } else if (headerSize >= kInfoHeader) {
        if (!in.read(h + kFileHeader + 4, kInfoHeader - 4)) {
            return cutShort();
        }
        width = static_cast<std::int32_t>(le32(h + 18));
        height = static_cast<std::int32_t>(le32(h + 22));
        bits = le16(h + 28);
        compression = le32(h + 30);
    } else {
        return {}; // a header the decoder refuses by itself
    }
    width = width < 0 ? -width : width;
    height = height < 0 ? -height : height;
    constexpr std::uint32_t kRgb = 0, kRle8 = 1, kRle4 = 2, kBitFields = 3, kAlphaBitFields = 6;
    if (compression == kRle8 || compression == kRle4) {
        if (!in.seek(dataAt)) {
            return cutShort();
        }
        return rleComplete(in, width, height, compression == kRle4) ? Status() : cutShort();
    }
    if (compression != kRgb && compression != kBitFields && compression != kAlphaBitFields) {
        return {};
    }
    const std::int64_t rowBytes = (width * bits + 31) / 32 * 4;
    if (height > 0 && rowBytes > (std::numeric_limits<std::int64_t>::max() - dataAt) / height) {
        return cutShort();
    }
    return size >= dataAt + rowBytes * height ? Status() : cutShort();
}

// A chain of GIF sub-blocks up to its empty terminator.
bool gifSubBlocks(ByteSource& in) {
    for (;;) {
        const int n = in.get();
        if (n <= 0) {
            return n == 0;
        }
        if (!in.skip(n)) {
            return false;
        }
    }
}

// Only the first picture is shown, so the walk ends with its data, and so does the picture.
Status gifComplete(ByteSource& in, std::int64_t& end) {
    constexpr std::size_t kScreen = 13, kDescriptor = 9;
    constexpr int kTableFlag = 0x80, kExtension = 0x21, kImage = 0x2C;
    std::uint8_t screen[kScreen];
    if (!in.read(screen, kScreen)) {
        return cutShort();
    }
    const auto tableBytes = [](std::uint8_t flags) {
        return 3 << ((flags & 7) + 1);
    };
    if ((screen[10] & kTableFlag) && !in.skip(tableBytes(screen[10]))) {
        return cutShort();
    }
    for (;;) {
        const int block = in.get();
        if (block == kExtension) {
            if (in.get() < 0 || !gifSubBlocks(in)) {
                return cutShort();
            }
        } else if (block == kImage) {
            std::uint8_t d[kDescriptor];
            if (!in.read(d, kDescriptor) || ((d[8] & kTableFlag) && !in.skip(tableBytes(d[8]))) ||
                in.get() < 0 || !gifSubBlocks(in)) {
                return cutShort();
            }
            end = in.position();
            return {};
        } else if (block < 0) {
            return cutShort();
        } else {
            // A trailer or a stray byte: the decoder's call, which it makes without reading on.
            end = in.position();
            return {};
        }
    }
}

bool isRestartMarker(int m) {
    constexpr int kRst0 = 0xD0, kRst7 = 0xD7;
    return m >= kRst0 && m <= kRst7;
}

bool isStandAloneMarker(int m) {
    constexpr int kSoi = 0xD8, kTem = 0x01;
    return m == kSoi || m == kTem || isRestartMarker(m);
}

// Which coefficients of which components the scans read so far carry to their last bit. A
// sequential scan carries all 64 of its components; a progressive one its band (Ss to Se), and
// that to the last bit only when it is the band's final refinement (Al = 0).
class ScanCoverage {
public:
    // The frame header's marker and payload: precision, height, width, component count, then
    // three bytes per component, its identifier first.
    void frame(int marker, const std::vector<std::uint8_t>& p) {
        constexpr int kSof2 = 0xC2, kSof6 = 0xC6, kSof10 = 0xCA, kSof14 = 0xCE;
        progressive_ = marker == kSof2 || marker == kSof6 || marker == kSof10 || marker == kSof14;
        components_.clear();
        constexpr std::size_t kCountAt = 5, kBytesPerComponent = 3;
        const std::size_t count = p.size() > kCountAt ? p[kCountAt] : 0;
        int widest = 1, tallest = 1, blocksPerUnit = 0;
        for (std::size_t k = 0; k < count; ++k) {
            const std::size_t at = kCountAt + 1 + k * kBytesPerComponent;
            if (at < p.size()) {
                components_.emplace_back(p[at], 0);
            }
            if (at + 1 < p.size()) {
                const int across = p[at + 1] >> 4, down = p[at + 1] & 0x0F;
                widest = std::max(widest, across);
                tallest = std::max(tallest, down);
                blocksPerUnit += across * down;
            }
        }
        // A height of 0 comes later (in a DNL segment): no bound then.
        longestScan_ = std::numeric_limits<std::int64_t>::max();
        constexpr std::size_t kWidthAt = 3;
        if (p.size() > kCountAt) {
            const std::int64_t height = p[1] << 8 | p[2],
                               width = p[kWidthAt] << 8 | p[kWidthAt + 1];
            constexpr int kBlockSide = 8;
            const std::int64_t units =
                (width + kBlockSide * widest - 1) / (kBlockSide * widest) *
                ((height + kBlockSide * tallest - 1) / (kBlockSide * tallest));
            if (height > 0) {
                longestScan_ =
                    units * blocksPerUnit *
                        (kCoefficients * kLongestCoefficientBytes + kRestartMarkerBytes) +
                    kScanSlackBytes;
            }
        }
    }

    // The most bytes one scan of the frame can take, whatever its coding.
    std::int64_t longestScan() const { return longestScan_; }

    // The scan header's payload: component count, two bytes per component (its identifier
    // first), then Ss, Se, and Ah and Al in one byte.
    void scan(const std::vector<std::uint8_t>& p) {
        const std::size_t count = p.empty() ? 0 : p[0];
        const std::size_t bandAt = 1 + 2 * count;
        if (p.size() < bandAt + 3) {
            return; // malformed: the decoder's call
        }
        constexpr int kLastCoefficient = 63, kAlMask = 0x0F;
        const int ss = p[bandAt];
        const int se = std::min<int>(p[bandAt + 1], kLastCoefficient);
        const bool lastBit = (p[bandAt + 2] & kAlMask) == 0;
        std::uint64_t band = 0;
        if (!progressive_) {
            band = kAllCoefficients;
        } else if (lastBit && ss <= se) {
            band = (kAllCoefficients >> (kLastCoefficient - se)) & (kAllCoefficients << ss);
        }
        for (std::size_t k = 0; k < count; ++k) {
            for (auto& [id, carried] : components_) {
                if (id == p[1 + 2 * k]) {
                    carried |= band;
                }
            }
        }
    }

    bool everyCoefficient() const {
        return !components_.empty() &&
               std::all_of(components_.begin(), components_.end(),
                           [](const auto& c) { return c.second == kAllCoefficients; });
    }

private:
    static constexpr std::uint64_t kAllCoefficients = ~std::uint64_t{0};
    static constexpr int kCoefficients = 64;
    // A code of up to 16 bits and a magnitude of up to 16 per coefficient, every byte of them
    // possibly an FF stuffed with a 00: far beyond what any encoder writes.
    static constexpr std::int64_t kLongestCoefficientBytes = 8;
    static constexpr std::int64_t kRestartMarkerBytes = 2; // at most one per block
    static constexpr std::int64_t kScanSlackBytes = 4096;  // padding and fill bytes
    std::int64_t longestScan_ = std::numeric_limits<std::int64_t>::max();
    bool progressive_ = false;
    std::vector<std::pair<int, std::uint64_t>> components_;
};

bool isFrameMarker(int m) {
    constexpr int kSof0 = 0xC0, kSof15 = 0xCF, kDht = 0xC4, kJpg = 0xC8, kDac = 0xCC;
    return m >= kSof0 && m <= kSof15 && m != kDht && m != kJpg && m != kDac;
}

// Marker segments by their lengths, scans by looking for the marker that ends them (an FF in
// coded data is followed by 00, and restart markers sit inside scans), up to end of image. The
// file may stop inside its last scan only once the scans carry every coefficient.
Status jpegComplete(ByteSource& in, bool* endMarkerMissing, std::int64_t& end) {
    constexpr int kFill = 0xFF, kEoi = 0xD9, kSos = 0xDA;
    ScanCoverage coverage;
    const auto stopsInScan = [&] {
        if (endMarkerMissing && coverage.everyCoefficient()) {
            *endMarkerMissing = true;
            return Status();
        }
        return cutShort();
    };
    int pending = -1;
    for (;;) {
        int m = pending;
        pending = -1;
        if (m < 0) {
            // Bytes before a marker are tolerated, as decoders do.
            if (!in.seekTo(kFill)) {
                return cutShort();
            }
            in.get();
            do {
                m = in.get();
            } while (m == kFill);
            if (m < 0) {
                return cutShort();
            }
            if (m == 0) {
                continue;
            }
        }
        if (m == kEoi) {
            end = in.position();
            return {};
        }
        if (isStandAloneMarker(m)) {
            continue;
        }
        std::uint8_t length[2];
        if (!in.read(length, 2)) {
            return cutShort();
        }
        const int segment = length[0] << 8 | length[1];
        if (segment < 2) {
            return {}; // malformed: the decoder's call
        }
        if (m == kSos || isFrameMarker(m)) {
            std::vector<std::uint8_t> payload(static_cast<std::size_t>(segment - 2));
            if (!in.read(payload.data(), payload.size())) {
                return cutShort();
            }
            if (m == kSos) {
                coverage.scan(payload);
            } else {
                coverage.frame(m, payload);
            }
        } else if (!in.skip(segment - 2)) {
            return cutShort();
        }
        // A scan runs to the next marker, or to the end of a file lacking its end marker; one
        // longer than the frame's pictures can code is not a scan but whatever follows it.
        const std::int64_t scanStart = in.position();
        const auto overlong = [&] {
            return in.position() - scanStart > coverage.longestScan();
        };
        while (m == kSos && pending < 0) {
            if (!in.seekTo(kFill)) {
                return overlong() ? runsOn() : stopsInScan();
            }
            if (overlong()) {
                return runsOn();
            }
            in.get();
            int next;
            do {
                next = in.get();
            } while (next == kFill);
            if (next < 0) {
                return overlong() ? runsOn() : stopsInScan();
            }
            if (next != 0 && !isRestartMarker(next)) {
                pending = next;
            }
        }
    }
}

} // namespace

Status pictureDataComplete(int fd, std::int64_t size, bool* endMarkerMissing,
                           std::int64_t* pictureEnd) {
    if (endMarkerMissing) {
        *endMarkerMissing = false;
    }
    std::int64_t end = size;
    std::uint8_t magic[4] = {};
    ssize_t got;
    do {
        got = ::pread(fd, magic, sizeof magic, 0);
    } while (got < 0 && errno == EINTR);
    ByteSource in(fd, size);
    Status complete;
    if (got >= 2 && magic[0] == 'B' && magic[1] == 'M') {
        complete = bmpComplete(in, size);
    } else if (got == 4 && std::memcmp(magic, "GIF8", 4) == 0) {
        complete = gifComplete(in, end);
    } else if (got >= 3 && magic[0] == 0xFF && magic[1] == 0xD8 && magic[2] == 0xFF) {
        in.skip(2);
        complete = jpegComplete(in, endMarkerMissing, end);
    }
    const int error = got < 0 ? errno : in.error();
    if (error != 0) {
        return Status::unreadable(std::string("cannot read: ") + std::strerror(error));
    }
    if (pictureEnd) {
        *pictureEnd = end;
    }
    return complete;
}

} // namespace cartonic
