#include "model/project_file.h"
#include "support/project_bytes.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <sys/stat.h>
#include <unistd.h>

namespace cartonic {
namespace {

using test::readBytes;
using test::sameBytes;
using test::TempDir;
using test::writeBytes;

ProjectData startedProject() {
    ProjectData d;
    d.setDimensions(kStartBoxWidth, kStartBoxDepth, kStartBoxHeight);
    return d;
}

std::vector<char> fileBytes(const ProjectData& d) {
    std::vector<char> bytes(kProjectFileSize);
    const std::uint32_t magic = kProjectMagic; // this platform is little-endian
    std::memcpy(bytes.data(), &magic, 4);
    std::memcpy(bytes.data() + 4, &d, sizeof d);
    return bytes;
}

TEST(ProjectFile, DefaultProjectRoundTripsByteForByte) {
    TempDir dir;
    const ProjectData saved = startedProject();
    const std::string path = dir.file("default.ctn");
    ASSERT_TRUE(saveProject(saved, path));

    const std::vector<char> bytes = readBytes(path);
    ASSERT_EQ(bytes.size(), kProjectFileSize);
    EXPECT_EQ(bytes, fileBytes(saved)) << "magic little-endian, then the record as it is";

    ProjectData loaded;
    ASSERT_TRUE(loadProject(loaded, path));
    EXPECT_TRUE(sameBytes(loaded, saved));
}

TEST(ProjectFile, EveryEditedFieldSurvivesTheRoundTrip) {
    TempDir dir;
    ProjectData saved = startedProject();
    saved.setDimensions(7.5f, 0.5f, 3.0f);
    saved.selectedFace = Left;
    saved.faceSlots[Front].orientation = Turn270;
    saved.faceSlots[Back].diffuseColor = {0.2f, 0.4f, 0.6f, 0.0f};
    setPath(saved.faceSlots[Top].imagePath, "/pictures/top.png");
    setPath(saved.floorImagePath, "floor.jpg");
    saved.hideOverlays = 1;
    saved.lightAngle = -3.0f;
    saved.updateLightPosition();
    ASSERT_TRUE(saveProject(saved, dir.file("p.ctn")));

    ProjectData loaded = startedProject();
    ASSERT_TRUE(loadProject(loaded, dir.file("p.ctn")));
    EXPECT_TRUE(sameBytes(loaded, saved));
}

TEST(ProjectFile, RefusesWhatIsNotAProjectAndLeavesTheRecord) {
    TempDir dir;
    ProjectData live = startedProject();
    live.selectedFace = 3;
    const ProjectData before = live;

    std::vector<char> swapped = fileBytes(startedProject());
    std::swap(swapped[0], swapped[3]); // FF EE 00 33: the magic in the wrong byte order
    std::swap(swapped[1], swapped[2]);
    writeBytes(dir.file("swapped.ctn"), swapped);
    writeBytes(dir.file("short.ctn"), {0x33, 0x00});
    writeBytes(dir.file("empty.ctn"), {});
    ::mkfifo(dir.file("fifo.ctn").c_str(), 0600);

    using Kind = Status::Kind;
    const std::pair<std::string, Kind> cases[] = {
        {dir.file("swapped.ctn"), Kind::BadFormat}, {dir.file("short.ctn"), Kind::BadFormat},
        {dir.file("empty.ctn"), Kind::BadFormat},   {dir.file("missing.ctn"), Kind::NotFound},
        {dir.file("fifo.ctn"), Kind::Unreadable},   {dir.path(), Kind::Unreadable},
    };
    for (const auto& [path, kind] : cases) {
        const Status status = loadProject(live, path);
        EXPECT_EQ(status.kind(), kind) << path;
        EXPECT_FALSE(status.message().empty()) << path;
        EXPECT_TRUE(sameBytes(live, before)) << path;
    }
}

TEST(ProjectFile, ShortFileReplacesOnlyTheBytesPresent) {
    TempDir dir;
    ProjectData live = startedProject();
    const ProjectData before = live;

    writeBytes(dir.file("magic.ctn"),
               {0x33, 0x00, static_cast<char>(0xEE), static_cast<char>(0xFF)});
    ASSERT_TRUE(loadProject(live, dir.file("magic.ctn"))) << "4 bytes: success, nothing changes";
    EXPECT_TRUE(sameBytes(live, before));

    ProjectData other = startedProject();
    other.setDimensions(9.0f, 8.0f, 7.0f);
    other.showFloor = 0;
    std::vector<char> bytes = fileBytes(other);
    bytes.resize(4 + 12); // magic and the three box scales only
    writeBytes(dir.file("part.ctn"), bytes);
    ASSERT_TRUE(loadProject(live, dir.file("part.ctn")));
    EXPECT_EQ(live.boxWidth, 9.0f);
    EXPECT_EQ(live.boxHeight, 7.0f);
    EXPECT_EQ(live.showFloor, 1) << "bytes past the end of the file keep their earlier values";

    std::vector<char> longer = fileBytes(other);
    longer.insert(longer.end(), 100, 'z');
    writeBytes(dir.file("long.ctn"), longer);
    ASSERT_TRUE(loadProject(live, dir.file("long.ctn")));
    EXPECT_EQ(live.showFloor, 0) << "trailing bytes are ignored";
}

TEST(ProjectFile, LoadedRuntimeFieldsAreNeverTrusted) {
    TempDir dir;
    ProjectData live = startedProject();
    for (int k = 0; k < kSlotCount; ++k) {
        live.faceSlots[k].textureId = 10 + k;
        live.faceSlots[k].displayList = 20 + k;
    }
    live.floorTextureId = 31;
    live.floorPatternTextureId = 32;

    ProjectData foreign = startedProject();
    for (FaceSlot& slot : foreign.faceSlots) {
        slot.pixels = 0xDEADBEEF;
        slot.image = 0xCAFEBABE;
        slot.textureId = 777;
        slot.displayList = 888;
    }
    foreign.floorTextureId = 999;
    foreign.floorPatternTextureId = 1000;
    foreign.faceSlots[Front].orientation = 42; // kept: the renderer draws it as 0
    writeBytes(dir.file("foreign.ctn"), fileBytes(foreign));

    ASSERT_TRUE(loadProject(live, dir.file("foreign.ctn")));
    for (int k = 0; k < kSlotCount; ++k) {
        EXPECT_EQ(live.faceSlots[k].pixels, 0u);
        EXPECT_EQ(live.faceSlots[k].image, 0u);
        EXPECT_EQ(live.faceSlots[k].textureId, 10u + k);
        EXPECT_EQ(live.faceSlots[k].displayList, 20u + k);
    }
    EXPECT_EQ(live.floorTextureId, 31u);
    EXPECT_EQ(live.floorPatternTextureId, 32u);
    EXPECT_EQ(live.faceSlots[Front].orientation, 42);
}

TEST(ProjectFile, LoadedValuesAreBroughtWithinTheInvariants) {
    TempDir dir;
    ProjectData hostile = startedProject();
    hostile.selectedFace = 6;
    hostile.faceSlots[Back].imagePath.fill('p');
    hostile.floorImagePath.fill('f');
    hostile.backgroundPicturePath.fill('b');
    hostile.boxWidth = std::nanf("");
    hostile.boxDepth = -3.0f;
    hostile.boxHeight = 1e30f;
    writeBytes(dir.file("hostile.ctn"), fileBytes(hostile));

    ProjectData live = startedProject();
    ASSERT_TRUE(loadProject(live, dir.file("hostile.ctn")));
    EXPECT_EQ(live.selectedFace, 0);
    EXPECT_EQ(pathText(live.faceSlots[Back].imagePath), std::string(259, 'p'));
    EXPECT_EQ(pathText(live.floorImagePath).size(), 259u);
    EXPECT_EQ(pathText(live.backgroundPicturePath).size(), 259u);
    EXPECT_EQ(live.boxWidth, kStartBoxWidth) << "not finite: the start size";
    EXPECT_GT(live.boxDepth, 0.0f);
    EXPECT_EQ(live.boxHeight, kMaxBoxScale);

    for (int selected : {-1, 1 << 30}) {
        hostile.selectedFace = selected;
        writeBytes(dir.file("sel.ctn"), fileBytes(hostile));
        ASSERT_TRUE(loadProject(live, dir.file("sel.ctn")));
        EXPECT_EQ(live.selectedFace, 0) << selected;
    }
}

TEST(ProjectFile, SaveIsAtomic) {
    TempDir dir;
    const std::string path = dir.file("keep.ctn");
    ProjectData first = startedProject();
    ASSERT_TRUE(saveProject(first, path));
    const std::vector<char> original = readBytes(path);

    ProjectData second = startedProject();
    second.boxWidth = 4.0f;
    ASSERT_TRUE(saveProject(second, path)) << "replacing an existing file works";
    EXPECT_EQ(readBytes(path), fileBytes(second));
    ASSERT_TRUE(saveProject(first, path));

    if (::geteuid() != 0) {
        // Root ignores permission bits, so this part only means something for other users.
        ::chmod(dir.path().c_str(), 0500);
        const Status status = saveProject(second, path);
        EXPECT_EQ(status.kind(), Status::Kind::WriteFailed);
        EXPECT_FALSE(status.message().empty());
        ::chmod(dir.path().c_str(), 0700);
        EXPECT_EQ(readBytes(path), original);
    }

    const Status status = saveProject(second, dir.file("no/such/folder/x.ctn"));
    EXPECT_EQ(status.kind(), Status::Kind::WriteFailed) << "a missing folder is a failed save";
    EXPECT_FALSE(status.message().empty());

    // No temporary files are left behind by successful or failed saves.
    int entries = 0;
    for ([[maybe_unused]] const auto& e : std::filesystem::directory_iterator(dir.path())) {
        ++entries;
    }
    EXPECT_EQ(entries, 1);
    EXPECT_EQ(readBytes(path), original);
}

TEST(ProjectFile, SaveKeepsTheModeOfTheFileItReplaces) {
    TempDir dir;
    const std::string path = dir.file("mode.ctn");
    ASSERT_TRUE(saveProject(startedProject(), path));
    ::chmod(path.c_str(), 0640);
    ASSERT_TRUE(saveProject(startedProject(), path));
    struct stat info {};
    ASSERT_EQ(::stat(path.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0640u);
}

} // namespace
} // namespace cartonic
