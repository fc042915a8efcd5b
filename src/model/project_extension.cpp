#include "model/project_extension.h"

#include <QCryptographicHash>

#include <zlib.h>

#include <algorithm>
#include <bit>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <initializer_list>
#include <unistd.h>

namespace cartonic {

namespace {

// A four-character type as the file stores it, read as a little-endian number.
constexpr std::uint32_t fourCc(const char (&name)[5]) {
    return std::uint32_t(std::uint8_t(name[0])) | std::uint32_t(std::uint8_t(name[1])) << 8 |
           std::uint32_t(std::uint8_t(name[2])) << 16 | std::uint32_t(std::uint8_t(name[3])) << 24;
}

constexpr std::uint32_t kExtensionTag = fourCc("CTNX");
constexpr std::uint32_t kLookChunk = fourCc("LOOK");
constexpr std::uint32_t kPictureChunk = fourCc("PICT");
constexpr std::size_t kWordBytes = 4;
constexpr std::size_t kBlockHeaderBytes = 2 * kWordBytes;
constexpr std::size_t kChunkHeaderBytes = 2 * kWordBytes;
constexpr std::size_t kLookBytes = 3 * kWordBytes;
constexpr std::uint32_t kEmbedPicturesFlag = 1;
// Slot, name length and hash, before a picture's name and file.
constexpr std::size_t kPictureHeaderBytes = 2 * kWordBytes + kSha256Bytes;
constexpr std::int64_t kMaxChunkBytes = kMaxEmbeddedPictureBytes + kPictureHeaderBytes + kPathSize;
constexpr std::int64_t kBytesPerMegabyte = std::int64_t{1} << 20;

std::uint32_t le32(const std::uint8_t* p) {
    return std::uint32_t{p[0]} | std::uint32_t{p[1]} << 8 | std::uint32_t{p[2]} << 16 |
           std::uint32_t{p[3]} << 24;
}

QByteArray le32Bytes(std::uint32_t value) {
    const char bytes[kWordBytes] = {char(value), char(value >> 8), char(value >> 16),
                                    char(value >> 24)};
    return QByteArray(bytes, kWordBytes);
}

std::uint32_t crcOf(std::uint32_t crc, const void* bytes, std::size_t n) {
    // zlib takes a null buffer as asking for the initial value, which an empty part may hand it.
    if (n == 0) {
        return crc;
    }
    return static_cast<std::uint32_t>(
        crc32_z(crc, static_cast<const Bytef*>(bytes), static_cast<z_size_t>(n)));
}

// A chunk type for messages: its four characters when they are printable, else its number.
std::string typeName(std::uint32_t type) {
    std::string name;
    for (int k = 0; k < 4; ++k) {
        const char c = static_cast<char>(type >> (8 * k));
        if (c < ' ' || c > '~') {
            char hex[16];
            std::snprintf(hex, sizeof hex, "0x%08x", type);
            return hex;
        }
        name += c;
    }
    return name;
}

// Where the reader takes its bytes from: a file or memory.
class Source {
public:
    virtual ~Source() = default;
    virtual std::int64_t size() const = 0;
    // n bytes at offset at into out; false when they cannot be read.
    virtual bool read(std::int64_t at, void* out, std::size_t n) const = 0;
};

class FileSource final : public Source {
public:
    FileSource(int fd, std::int64_t from, std::int64_t size) : fd_(fd), from_(from), size_(size) {}
    std::int64_t size() const override { return size_ - from_; }
    bool read(std::int64_t at, void* out, std::size_t n) const override {
        auto* to = static_cast<char*>(out);
        at += from_;
        while (n > 0) {
            const ssize_t got = ::pread(fd_, to, n, at);
            if (got < 0 && errno == EINTR) {
                continue;
            }
            if (got <= 0) {
                return false;
            }
            to += got;
            at += got;
            n -= static_cast<std::size_t>(got);
        }
        return true;
    }

private:
    int fd_;
    std::int64_t from_;
    std::int64_t size_;
};

class MemorySource final : public Source {
public:
    MemorySource(const std::uint8_t* bytes, std::size_t size) : bytes_(bytes), size_(size) {}
    std::int64_t size() const override { return static_cast<std::int64_t>(size_); }
    bool read(std::int64_t at, void* out, std::size_t n) const override {
        if (at < 0 || static_cast<std::size_t>(at) > size_ || n > size_ - std::size_t(at)) {
            return false;
        }
        std::memcpy(out, bytes_ + at, n);
        return true;
    }

private:
    const std::uint8_t* bytes_;
    std::size_t size_;
};

float settledLook(float value) {
    return std::isfinite(value) ? std::clamp(value, SceneLook::kMin, SceneLook::kMax)
                                : SceneLook::kMin;
}

ExtensionSettings parseLook(const QByteArray& payload) {
    const auto* p = reinterpret_cast<const std::uint8_t*>(payload.constData());
    ExtensionSettings settings;
    settings.look.shadowSoftness = settledLook(std::bit_cast<float>(le32(p)));
    settings.look.reflectionFade = settledLook(std::bit_cast<float>(le32(p + kWordBytes)));
    settings.embedPictures = (le32(p + 2 * kWordBytes) & kEmbedPicturesFlag) != 0;
    return settings;
}

// The picture a PICT payload holds, taken out of payload; BadFormat, saying why, when it is not
// whole.
Status parsePicture(QByteArray& payload, EmbeddedPicture& picture) {
    const auto size = static_cast<std::size_t>(payload.size());
    if (size < kPictureHeaderBytes) {
        return Status::badFormat("is too short");
    }
    const auto* p = reinterpret_cast<const std::uint8_t*>(payload.constData());
    const std::uint32_t slot = le32(p);
    const std::uint32_t nameBytes = le32(p + kWordBytes);
    if (slot >= std::uint32_t{kSlotCount}) {
        return Status::badFormat("names no slot");
    }
    if (nameBytes > kPathSize || nameBytes > size - kPictureHeaderBytes) {
        return Status::badFormat("has a bad name length");
    }
    const std::size_t header = kPictureHeaderBytes + nameBytes;
    if (size == header) {
        return Status::badFormat("holds no file");
    }
    if (static_cast<std::int64_t>(size - header) > kMaxEmbeddedPictureBytes) {
        return Status::badFormat("holds a file over the limit");
    }
    picture.slot = static_cast<int>(slot);
    picture.name.assign(payload.constData() + 2 * kWordBytes, nameBytes);
    picture.sha256 = payload.mid(
        static_cast<qsizetype>(2 * kWordBytes) + static_cast<qsizetype>(nameBytes), kSha256Bytes);
    // In place: a large file is not held twice.
    payload.remove(0, static_cast<qsizetype>(header));
    // The hash names the bytes wherever they go (extract merges slots by it), so bytes that are
    // not the hash's are no picture of this project's.
    if (sha256Of(payload) != picture.sha256) {
        return Status::badFormat("does not match its hash");
    }
    picture.bytes = std::move(payload);
    return {};
}

// The bytes from at to the end of source, kept unread; false when they cannot be read.
bool keepUnread(const Source& source, std::int64_t at, ProjectExtension& extension) {
    QByteArray bytes(static_cast<qsizetype>(source.size() - at), Qt::Uninitialized);
    if (!source.read(at, bytes.data(), static_cast<std::size_t>(bytes.size()))) {
        return false;
    }
    extension.unread = std::move(bytes);
    return true;
}

// A tail that is not this version's extension (no tag, or another version): kept as it is, and
// what *said says of it.
ProjectExtension keepForeignTail(const Source& source, const std::uint8_t* header, bool tagged,
                                 std::string& said) {
    ProjectExtension extension;
    const std::string what = tagged ? "the project's extension is of version " +
                                          std::to_string(le32(header + kWordBytes)) +
                                          ", which this version does not read"
                                    : "the project has " + std::to_string(source.size()) +
                                          " bytes after its record that this version does not read";
    if (keepUnread(source, 0, extension)) {
        extension.unreadIsWholeTail = true;
        said = what + "; they are kept as they are";
    } else {
        said = what + ", and they cannot be read to be kept";
    }
    return extension;
}

// The parts of an extension read so far, and the first reason any was dropped.
struct ChunkReader {
    ProjectExtension extension;
    int dropped = 0;
    std::string first;
    bool sawLook = false;

    void drop(std::string why) {
        if (dropped++ == 0) {
            first = std::move(why);
        }
    }

    // A whole chunk whose checksum held, of type and payload; what says which it is.
    void take(std::uint32_t type, QByteArray& payload, const std::string& what) {
        if (type == kLookChunk) {
            if (payload.size() != qsizetype{kLookBytes}) {
                drop(what + "has a bad length");
            } else if (sawLook) {
                drop(what + "repeats the look");
            } else {
                extension.settings = parseLook(payload);
                sawLook = true;
            }
        } else if (type == kPictureChunk) {
            EmbeddedPicture picture;
            if (const Status parsed = parsePicture(payload, picture); !parsed) {
                drop(what + parsed.message());
            } else if (extension.pictureFor(picture.slot)) {
                drop(what + "repeats a slot");
            } else {
                extension.pictures.push_back(std::move(picture));
            }
        } else {
            extension.kept.push_back({type, std::move(payload)});
        }
    }
};

ProjectExtension readFrom(const Source& source, std::string* note) {
    std::string said;
    const std::int64_t size = source.size();
    std::uint8_t header[kBlockHeaderBytes];
    const bool tagged = size >= std::int64_t{kBlockHeaderBytes} &&
                        source.read(0, header, sizeof header) && le32(header) == kExtensionTag;
    if (!tagged || le32(header + kWordBytes) != kExtensionVersion) {
        ProjectExtension kept = keepForeignTail(source, header, tagged, said);
        if (note) {
            *note = said;
        }
        return kept;
    }

    ChunkReader reader;
    int chunks = 0;
    std::int64_t at = kBlockHeaderBytes;
    while (at < size) {
        if (chunks++ == kMaxExtensionChunks) {
            if (keepUnread(source, at, reader.extension)) {
                said = "the project's extension has more than " +
                       std::to_string(kMaxExtensionChunks) +
                       " parts; the rest are kept as they are, unread";
            } else {
                reader.drop("the parts after the " + std::to_string(kMaxExtensionChunks) +
                            "th cannot be read");
            }
            break;
        }
        const std::int64_t left = size - at;
        std::uint8_t chunk[kChunkHeaderBytes];
        if (left < std::int64_t{kChunkHeaderBytes} || !source.read(at, chunk, sizeof chunk)) {
            reader.drop("a part is cut short");
            break;
        }
        const std::uint32_t type = le32(chunk);
        const std::int64_t length = le32(chunk + kWordBytes);
        const std::string what = "a " + typeName(type) + " part ";
        if (length > left - std::int64_t{kChunkHeaderBytes + kWordBytes}) {
            reader.drop(what + "claims more bytes than the file holds");
            break;
        }
        const std::int64_t next = at + std::int64_t{kChunkHeaderBytes} + length + kWordBytes;
        if (length > kMaxChunkBytes) {
            reader.drop(what + "is larger than " +
                        std::to_string(kMaxChunkBytes / kBytesPerMegabyte) + " MB");
            at = next;
            continue;
        }
        QByteArray payload(static_cast<qsizetype>(length), Qt::Uninitialized);
        std::uint8_t stored[kWordBytes];
        if (!source.read(at + kChunkHeaderBytes, payload.data(), payload.size()) ||
            !source.read(next - kWordBytes, stored, sizeof stored)) {
            reader.drop(what + "cannot be read");
            break;
        }
        at = next;
        const std::uint32_t crc = crcOf(crcOf(0, chunk, sizeof chunk), payload.constData(),
                                        static_cast<std::size_t>(payload.size()));
        if (crc != le32(stored)) {
            reader.drop(what + "fails its checksum");
            continue;
        }
        reader.take(type, payload, what);
    }
    if (reader.dropped > 0) {
        said = "dropped " + std::to_string(reader.dropped) +
               (reader.dropped == 1 ? " part" : " parts") +
               " of the project's extension that could not be read (" + reader.first + ")" +
               (said.empty() ? "" : "; " + said);
    }
    if (note) {
        *note = said;
    }
    return std::move(reader.extension);
}

// One chunk of the given type whose payload is parts, one after another.
bool writeChunk(const ByteSink& write, std::uint32_t type,
                std::initializer_list<QByteArrayView> parts) {
    std::size_t length = 0;
    for (const QByteArrayView part : parts) {
        length += static_cast<std::size_t>(part.size());
    }
    const QByteArray header = le32Bytes(type) + le32Bytes(static_cast<std::uint32_t>(length));
    std::uint32_t crc = crcOf(0, header.constData(), kChunkHeaderBytes);
    if (!write(header.constData(), kChunkHeaderBytes)) {
        return false;
    }
    for (const QByteArrayView part : parts) {
        crc = crcOf(crc, part.data(), static_cast<std::size_t>(part.size()));
        if (!part.isEmpty() && !write(part.data(), static_cast<std::size_t>(part.size()))) {
            return false;
        }
    }
    return write(le32Bytes(crc).constData(), kWordBytes);
}

// A chunk's type and the parts of its payload, one after another.
using ChunkVisitor =
    std::function<bool(std::uint32_t type, std::initializer_list<QByteArrayView> parts)>;

// The chunks writeProjectExtension writes, in order, each handed to visit; false when visit is.
// Only what the file holds is made here: a picture's hash is taken as stored when it has one.
bool forEachChunk(const ProjectExtension& extension, const ChunkVisitor& visit) {
    if (extension.settings != ExtensionSettings{}) {
        const SceneLook& look = extension.settings.look;
        const QByteArray look12 =
            le32Bytes(std::bit_cast<std::uint32_t>(look.shadowSoftness)) +
            le32Bytes(std::bit_cast<std::uint32_t>(look.reflectionFade)) +
            le32Bytes(extension.settings.embedPictures ? kEmbedPicturesFlag : 0);
        if (!visit(kLookChunk, {look12})) {
            return false;
        }
    }
    for (const EmbeddedPicture& picture : extension.pictures) {
        if (!extension.settings.embedPictures) {
            break;
        }
        const std::string name = picture.name.substr(0, kPathSize);
        const QByteArray head = le32Bytes(static_cast<std::uint32_t>(picture.slot)) +
                                le32Bytes(static_cast<std::uint32_t>(name.size()));
        const QByteArray hash = picture.sha256.size() == qsizetype{kSha256Bytes}
                                    ? picture.sha256
                                    : sha256Of(picture.bytes);
        if (!visit(kPictureChunk, {head, QByteArrayView(name.data(), qsizetype(name.size())), hash,
                                   picture.bytes})) {
            return false;
        }
    }
    for (const KeptChunk& chunk : extension.kept) {
        if (!visit(chunk.type, {chunk.payload})) {
            return false;
        }
    }
    return true;
}

// Whether the extension holds settings, pictures to write or chunks of its own.
bool holdsSettingsOrParts(const ProjectExtension& extension) {
    return extension.settings != ExtensionSettings{} ||
           (extension.settings.embedPictures && !extension.pictures.empty()) ||
           !extension.kept.empty();
}

// Whether an extension of this version is written: its settings and parts, or the chunks past
// the most read.
bool holdsOwnParts(const ProjectExtension& extension) {
    return holdsSettingsOrParts(extension) ||
           (!extension.unreadIsWholeTail && !extension.unread.isEmpty());
}

} // namespace

const EmbeddedPicture* ProjectExtension::pictureFor(int slot) const {
    const auto found = std::find_if(pictures.begin(), pictures.end(),
                                    [slot](const EmbeddedPicture& p) { return p.slot == slot; });
    return found == pictures.end() ? nullptr : &*found;
}

EmbeddedPicture* ProjectExtension::pictureFor(int slot) {
    return const_cast<EmbeddedPicture*>(std::as_const(*this).pictureFor(slot));
}

QByteArray sha256Of(const QByteArray& bytes) {
    return QCryptographicHash::hash(bytes, QCryptographicHash::Sha256);
}

ProjectExtension readProjectExtension(int fd, std::int64_t from, std::int64_t fileSize,
                                      std::string* note) {
    return readFrom(FileSource(fd, from, fileSize), note);
}

ProjectExtension parseProjectExtension(const std::uint8_t* bytes, std::size_t size,
                                       std::string* note) {
    return readFrom(MemorySource(bytes, size), note);
}

bool writeProjectExtension(const ProjectExtension& extension, const ByteSink& write) {
    const auto writeBytes = [&write](const QByteArray& bytes) {
        return bytes.isEmpty() || write(bytes.constData(), static_cast<std::size_t>(bytes.size()));
    };
    if (extension.unreadIsWholeTail) {
        return writeBytes(extension.unread);
    }
    if (!holdsOwnParts(extension)) {
        return true;
    }
    return writeBytes(le32Bytes(kExtensionTag) + le32Bytes(kExtensionVersion)) &&
           forEachChunk(extension,
                        [&write](std::uint32_t type, std::initializer_list<QByteArrayView> parts) {
                            return writeChunk(write, type, parts);
                        }) &&
           writeBytes(extension.unread);
}

std::int64_t projectExtensionBytes(const ProjectExtension& extension) {
    if (extension.unreadIsWholeTail) {
        return extension.unread.size();
    }
    if (!holdsOwnParts(extension)) {
        return 0;
    }
    std::int64_t bytes = kBlockHeaderBytes + extension.unread.size();
    forEachChunk(extension, [&bytes](std::uint32_t, std::initializer_list<QByteArrayView> parts) {
        bytes += std::int64_t{kChunkHeaderBytes + kWordBytes};
        for (const QByteArrayView part : parts) {
            bytes += part.size();
        }
        return true;
    });
    return bytes;
}

std::string extensionSaveNote(const ProjectExtension& extension) {
    if (extension.droppedBytes > 0) {
        return "the " +
               std::to_string((extension.droppedBytes + kBytesPerMegabyte - 1) /
                              kBytesPerMegabyte) +
               " MB after the record of the file the project was opened from could not be read, "
               "and are not kept";
    }
    if (extension.unreadIsWholeTail && holdsSettingsOrParts(extension)) {
        return "the look settings and the pictures kept inside are not saved: the project holds "
               "parts after its record this version cannot read, which are kept as they were";
    }
    return {};
}

} // namespace cartonic
