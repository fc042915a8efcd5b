// Any bytes at all after a project's record, read as its extension, from memory and from the file.
// Afterwards: the two readings agree; what was read keeps its invariants (settings in range, one
// picture a slot, each with a name that fits a path, its hash and a file within the limit); no
// more bytes are held than the input has; the note is one line, and there is one only when
// something was dropped; and what was read, written again, reads back the same without a note.

#include "fuzz_support.h"
#include "model/project_file.h"

#include <cmath>
#include <cstring>
#include <set>
#include <vector>

using namespace cartonic;

namespace {

constexpr std::uint8_t kTag[] = {'C', 'T', 'N', 'X'};

bool sameExtension(const ProjectExtension& a, const ProjectExtension& b) {
    if (a.settings != b.settings || a.pictures.size() != b.pictures.size() ||
        a.kept.size() != b.kept.size()) {
        return false;
    }
    for (std::size_t i = 0; i < a.pictures.size(); ++i) {
        const EmbeddedPicture& p = a.pictures[i];
        const EmbeddedPicture& q = b.pictures[i];
        if (p.slot != q.slot || p.name != q.name || p.bytes != q.bytes || p.sha256 != q.sha256) {
            return false;
        }
    }
    for (std::size_t i = 0; i < a.kept.size(); ++i) {
        if (a.kept[i].type != b.kept[i].type || a.kept[i].payload != b.kept[i].payload) {
            return false;
        }
    }
    return true;
}

bool inRange(float value) {
    return std::isfinite(value) && value >= SceneLook::kMin && value <= SceneLook::kMax;
}

// A project file: the default record, then the input.
std::vector<std::uint8_t> projectFileOf(const std::uint8_t* data, std::size_t size) {
    static const ProjectData record = [] {
        ProjectData d;
        d.setDimensions(kStartBoxWidth, kStartBoxDepth, kStartBoxHeight);
        return d;
    }();
    std::vector<std::uint8_t> file(kProjectFileSize + size);
    const std::uint32_t magic = kProjectMagic; // this platform is little-endian
    std::memcpy(file.data(), &magic, sizeof magic);
    std::memcpy(file.data() + sizeof magic, &record, sizeof record);
    if (size > 0) {
        std::memcpy(file.data() + kProjectFileSize, data, size);
    }
    return file;
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    fuzz::quietMessages();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::string note;
    const ProjectExtension read = parseProjectExtension(data, size, &note);

    FUZZ_REQUIRE(note.find('\n') == std::string::npos);
    const bool tagged = size >= 8 && std::memcmp(data, kTag, sizeof kTag) == 0;
    if (!tagged) {
        FUZZ_REQUIRE(note.empty());
        FUZZ_REQUIRE(sameExtension(read, ProjectExtension{}));
    }
    FUZZ_REQUIRE(inRange(read.settings.look.shadowSoftness));
    FUZZ_REQUIRE(inRange(read.settings.look.reflectionFade));
    std::set<int> taken;
    std::size_t held = 0;
    for (const EmbeddedPicture& picture : read.pictures) {
        FUZZ_REQUIRE(picture.slot >= 0 && picture.slot < kSlotCount);
        FUZZ_REQUIRE(taken.insert(picture.slot).second);
        FUZZ_REQUIRE(picture.name.size() <= kPathSize);
        FUZZ_REQUIRE(picture.sha256.size() == qsizetype{kSha256Bytes});
        FUZZ_REQUIRE(!picture.bytes.isEmpty() && picture.bytes.size() <= kMaxEmbeddedPictureBytes);
        FUZZ_REQUIRE(picture.shownAs == 0);
        held += static_cast<std::size_t>(picture.bytes.size());
    }
    for (const KeptChunk& chunk : read.kept) {
        held += static_cast<std::size_t>(chunk.payload.size());
    }
    FUZZ_REQUIRE(held <= size);

    // The same bytes after a record in a file: the file's reader sees what the memory's saw.
    const std::vector<std::uint8_t> file = projectFileOf(data, size);
    ProjectData record;
    ProjectExtension fromFile;
    std::string fileNote;
    FUZZ_REQUIRE(
        loadProject(record, fromFile, fuzz::inputAsFile(file.data(), file.size()), &fileNote).ok());
    FUZZ_REQUIRE(fileNote == note);
    FUZZ_REQUIRE(sameExtension(fromFile, read));

    // Written again, with the pictures' switch on where there are pictures, it reads back as it
    // was and nothing is dropped.
    ProjectExtension again = read;
    again.settings.embedPictures = again.settings.embedPictures || !again.pictures.empty();
    std::vector<std::uint8_t> bytes;
    FUZZ_REQUIRE(writeProjectExtension(again, [&](const void* from, std::size_t n) {
        const auto* p = static_cast<const std::uint8_t*>(from);
        bytes.insert(bytes.end(), p, p + n);
        return true;
    }));
    std::string rereadNote;
    const ProjectExtension reread = parseProjectExtension(bytes.data(), bytes.size(), &rereadNote);
    FUZZ_REQUIRE(rereadNote.empty());
    FUZZ_REQUIRE(sameExtension(reread, again));
    return 0;
}
