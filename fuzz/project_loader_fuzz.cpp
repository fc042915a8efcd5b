// Any bytes at all, opened as a project file into the live record. Afterwards the record keeps
// its invariants (selected face 0..5, every path terminated, box scales finite and in (0, 50]),
// the runtime fields are the ones the record had, and every other byte is the file's where the
// file has it and the record's earlier one where it does not. A refused file changes nothing.

#include "fuzz_support.h"
#include "model/project_file.h"

#include <algorithm>
#include <cmath>
#include <cstring>

using namespace cartonic;

namespace {

// The live record as a running program has it: a sized box, textures and lists built.
const ProjectData& startState() {
    static const ProjectData start = [] {
        ProjectData d;
        d.setDimensions(kStartBoxWidth, kStartBoxDepth, kStartBoxHeight);
        for (int k = 0; k < kSlotCount; ++k) {
            d.faceSlots[k].textureId = 100 + k;
            d.faceSlots[k].displayList = 200 + k;
        }
        d.floorTextureId = 300;
        d.floorPatternTextureId = 301;
        setPath(d.faceSlots[Front].imagePath, "front.png");
        d.selectedFace = Back;
        return d;
    }();
    return start;
}

bool terminated(const Path& path) {
    return std::memchr(path.data(), 0, path.size()) != nullptr;
}

bool saneScale(float v) {
    return std::isfinite(v) && v > 0.0f && v <= kMaxBoxScale;
}

bool continues(char c) {
    return (static_cast<unsigned char>(c) & 0xC0) == 0x80;
}

// A path field as loaded, against the bytes the file (or the record) gave it.
void checkPath(const Path& loaded, const Path& given) {
    FUZZ_REQUIRE(terminated(loaded));
    if (terminated(given)) {
        FUZZ_REQUIRE(loaded == given);
        return;
    }
    // Cut short: a prefix of what was given, zeros after it, at most 259 bytes kept and at most
    // the three bytes of a split character dropped.
    const std::string_view text = pathText(loaded);
    const std::size_t cut = text.size();
    FUZZ_REQUIRE(cut <= kPathSize - 1 && cut + 3 >= kPathSize - 1);
    FUZZ_REQUIRE(std::memcmp(text.data(), given.data(), cut) == 0);
    FUZZ_REQUIRE(std::all_of(loaded.begin() + static_cast<std::ptrdiff_t>(cut), loaded.end(),
                             [](char c) { return c == 0; }));
    if (cut < kPathSize - 1) {
        // Dropped: one character's first byte and its continuation bytes up to the limit.
        FUZZ_REQUIRE(static_cast<unsigned char>(given[cut]) >= 0xC0);
        for (std::size_t i = cut + 1; i <= kPathSize - 1; ++i) {
            FUZZ_REQUIRE(continues(given[i]));
        }
    } else if (continues(given[cut])) {
        // Kept whole: whatever precedes the byte after the cut is not the start of its character.
        std::size_t back = 1;
        while (back < 4 && continues(given[cut - back])) {
            ++back;
        }
        FUZZ_REQUIRE(back == 4 || static_cast<unsigned char>(given[cut - back]) < 0xC0);
    }
}

void checkScale(float loaded, float given) {
    FUZZ_REQUIRE(saneScale(loaded));
    if (saneScale(given)) {
        FUZZ_REQUIRE(loaded == given);
    }
}

// Blanks what the loader may rewrite, so the rest can be compared byte for byte.
ProjectData withoutNeutralised(ProjectData d) {
    for (FaceSlot& slot : d.faceSlots) {
        slot.pixels = slot.image = slot.textureId = slot.displayList = 0;
        slot.imagePath.fill(0);
    }
    d.floorTextureId = d.floorPatternTextureId = 0;
    d.backgroundPicturePath.fill(0);
    d.floorImagePath.fill(0);
    d.selectedFace = 0;
    d.boxWidth = d.boxDepth = d.boxHeight = 0.0f;
    return d;
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    fuzz::quietMessages();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string& path = fuzz::inputAsFile(data, size);
    // One record for the whole run, as a process's project is.
    static ProjectData live;
    live = startState();
    const ProjectData& before = startState();

    const Status loaded = loadProject(live, path);
    const bool magic =
        size >= 4 && data[0] == 0x33 && data[1] == 0x00 && data[2] == 0xEE && data[3] == 0xFF;
    FUZZ_REQUIRE(loaded.ok() == magic);
    if (!loaded) {
        FUZZ_REQUIRE(loaded.kind() == Status::Kind::BadFormat && !loaded.message().empty());
        FUZZ_REQUIRE(std::memcmp(&live, &before, sizeof live) == 0);
        return 0;
    }

    ProjectData given = before;
    std::memcpy(&given, data + 4, std::min(size - 4, sizeof given));

    FUZZ_REQUIRE(live.selectedFace >= 0 && live.selectedFace < kFaceCount);
    if (given.selectedFace >= 0 && given.selectedFace < kFaceCount) {
        FUZZ_REQUIRE(live.selectedFace == given.selectedFace);
    }
    checkScale(live.boxWidth, given.boxWidth);
    checkScale(live.boxDepth, given.boxDepth);
    checkScale(live.boxHeight, given.boxHeight);
    for (int k = 0; k < kSlotCount; ++k) {
        const FaceSlot& slot = live.faceSlots[k];
        const FaceSlot& own = before.faceSlots[k];
        FUZZ_REQUIRE(slot.pixels == own.pixels && slot.image == own.image);
        FUZZ_REQUIRE(slot.textureId == own.textureId && slot.displayList == own.displayList);
        checkPath(slot.imagePath, given.faceSlots[k].imagePath);
    }
    FUZZ_REQUIRE(live.floorTextureId == before.floorTextureId);
    FUZZ_REQUIRE(live.floorPatternTextureId == before.floorPatternTextureId);
    checkPath(live.backgroundPicturePath, given.backgroundPicturePath);
    checkPath(live.floorImagePath, given.floorImagePath);

    const ProjectData a = withoutNeutralised(live);
    const ProjectData b = withoutNeutralised(given);
    FUZZ_REQUIRE(std::memcmp(&a, &b, sizeof a) == 0);

    // What the rest of the program does first with a loaded record.
    [[maybe_unused]] volatile std::int32_t orientation = live.selectedSlot().orientation;
    return 0;
}
