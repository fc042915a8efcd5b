#pragma once

// What a project keeps beyond its record, written after the record's 4424 bytes, where a reader
// of the record alone stops (project_file.h). All numbers little-endian:
//
//   offset  size  content
//        0     4  tag "CTNX"
//        4     4  version, 1
//        8        chunks, one after another to the end of the file, each:
//                     4  type, four ASCII characters
//                     4  payload length n
//                     n  payload
//                     4  CRC-32 (zlib's) of the type, length and payload bytes
//
// Chunk types:
//   LOOK  12 bytes: shadow softness (float), reflection fade (float), flags (bit 0: embed
//         pictures); the settings are clamped to SceneLook's range on reading.
//   PICT  a picture file kept inside the project: slot (uint32, faces 0..5, the floor 6), name
//         length (uint32, at most kPathSize), name (the slot's path when it was kept), SHA-256
//         of the file (32 bytes), then the file's bytes, unchanged, to the end of the payload.
//   any other type is a later version's: kept as read and written back after the known ones.
//
// A project without settings, pictures or kept chunks has no extension at all, so it stays the
// record's 4424 bytes. Reading never fails: bytes after the record that do not start with the
// tag, or start an extension of another version, are kept unread and written back as they were
// (one line says so); a chunk that is cut short or claims more bytes than the file holds ends
// the reading (what follows it cannot be found), one that fails its checksum, has a bad payload,
// repeats a LOOK or a picture's slot, holds a picture whose bytes are not its SHA-256's, or is
// larger than a picture and its header may be is dropped, and one line says what was dropped.
// Chunks past the kMaxExtensionChunks-th are kept unread, as bytes, and written back after the
// known ones, so memory stays within a small multiple of the file's size however many tiny
// chunks it holds. Every length is checked against the bytes left in the file before anything is
// allocated for it. A file is never written larger than kMaxProjectFileBytes, the most that is
// read.

#include "base/status.h"
#include "model/project_data.h"
#include "model/scene_look.h"

#include <QByteArray>

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace cartonic {

inline constexpr std::uint32_t kExtensionVersion = 1;
// The largest picture file a project keeps inside it.
inline constexpr std::int64_t kMaxEmbeddedPictureBytes = std::int64_t{256} << 20;
// The largest project file whose extension is read, and so the largest one written; the record of
// a larger one still loads.
inline constexpr std::int64_t kMaxProjectFileBytes = std::int64_t{2} << 30;
// The most chunks of an extension that are read one by one; the rest are kept as bytes.
inline constexpr int kMaxExtensionChunks = 1024;
inline constexpr std::size_t kSha256Bytes = 32;

// What the user edits of the extension: undo and the unsaved-changes question see these.
struct ExtensionSettings {
    SceneLook look;
    bool embedPictures = false;
    bool operator==(const ExtensionSettings&) const = default;
};

// A picture file kept inside the project for one slot.
struct EmbeddedPicture {
    int slot = 0;     // 0..5 faces, kFloorSlot
    std::string name; // the slot's path as stored when the file was kept
    QByteArray bytes; // the file, byte for byte
    QByteArray sha256;
    // Not written: the cacheKey() of the slot picture these bytes are known to hold, 0 when none
    // is. A slot whose picture has another key shows some other file.
    qint64 shownAs = 0;
};

// A chunk of a type this version does not know, kept to be written back.
struct KeptChunk {
    std::uint32_t type = 0;
    QByteArray payload;
};

struct ProjectExtension {
    ExtensionSettings settings;
    std::vector<EmbeddedPicture> pictures;
    std::vector<KeptChunk> kept;
    // Bytes after the record kept without being read, written back byte for byte: the whole tail
    // when unreadIsWholeTail (not this version's extension: another version's, or no tag), else
    // the chunks after the kMaxExtensionChunks-th, written after the known ones.
    QByteArray unread;
    bool unreadIsWholeTail = false;
    // Bytes after the record of a file too large to read them (kMaxProjectFileBytes): neither
    // read nor kept, so that a save can say it drops them.
    std::int64_t droppedBytes = 0;

    // The picture kept for slot, nullptr when there is none.
    const EmbeddedPicture* pictureFor(int slot) const;
    EmbeddedPicture* pictureFor(int slot);
};

// The SHA-256 of bytes, as a PICT chunk stores it.
QByteArray sha256Of(const QByteArray& bytes);

// Reads the extension that starts at offset from in the open regular file fd of fileSize bytes
// (pread; the file offset is left alone). *note gets one line on what could not be read, "" when
// nothing went wrong.
ProjectExtension readProjectExtension(int fd, std::int64_t from, std::int64_t fileSize,
                                      std::string* note);

// The same from the bytes that follow the record, in memory.
ProjectExtension parseProjectExtension(const std::uint8_t* bytes, std::size_t size,
                                       std::string* note);

// Writes the extension through write, in order; nothing at all when it holds nothing (see above).
// Pictures are written only while settings.embedPictures is on. A whole unread tail is written in
// place of the extension, as it was: this version cannot add to what it cannot read. False when
// write fails.
using ByteSink = std::function<bool(const void* bytes, std::size_t n)>;
bool writeProjectExtension(const ProjectExtension& extension, const ByteSink& write);

// The bytes writeProjectExtension writes, counted without touching any payload.
std::int64_t projectExtensionBytes(const ProjectExtension& extension);

// One line on what a save of extension cannot keep, "" when it keeps everything: the settings
// and pictures beside a whole unread tail, and the bytes of a file too large to read.
std::string extensionSaveNote(const ProjectExtension& extension);

} // namespace cartonic
