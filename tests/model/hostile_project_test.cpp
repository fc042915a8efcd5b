// Project files as they may arrive from anywhere: random, cut, oversized, mislabelled, not files
// at all, unreadable, under awkward names. Each one either loads with the record's invariants
// intact or is refused with a reason and the record untouched.

#include "model/project_file.h"
#include "support/forked.h"
#include "support/project_bytes.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <limits>
#include <random>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

namespace cartonic {
namespace {

using test::fileOf;
using test::readBytes;
using test::sameBytes;
using test::TempDir;
using test::writeBytes;

using Bytes = std::vector<char>;

// The live record of a running program: sized box, textures and lists built, a path or two.
ProjectData liveRecord() {
    ProjectData d;
    d.setDimensions(kStartBoxWidth, kStartBoxDepth, kStartBoxHeight);
    for (int k = 0; k < kSlotCount; ++k) {
        d.faceSlots[k].textureId = 40 + k;
        d.faceSlots[k].displayList = 50 + k;
    }
    d.floorTextureId = 61;
    d.floorPatternTextureId = 62;
    setPath(d.faceSlots[Front].imagePath, "front.png");
    d.selectedFace = Back;
    return d;
}

bool terminated(const Path& p) {
    return std::memchr(p.data(), 0, p.size()) != nullptr;
}

// What must hold of the live record after any load, refused or not.
void expectInvariants(const ProjectData& d, const ProjectData& runtime, const std::string& what) {
    SCOPED_TRACE(what);
    EXPECT_GE(d.selectedFace, 0);
    EXPECT_LT(d.selectedFace, kFaceCount);
    for (float scale : {d.boxWidth, d.boxDepth, d.boxHeight}) {
        EXPECT_TRUE(std::isfinite(scale) && scale > 0.0f && scale <= kMaxBoxScale) << scale;
    }
    for (int k = 0; k < kSlotCount; ++k) {
        const FaceSlot& slot = d.faceSlots[k];
        EXPECT_TRUE(terminated(slot.imagePath)) << "slot " << k;
        EXPECT_EQ(slot.pixels, 0u);
        EXPECT_EQ(slot.image, 0u);
        EXPECT_EQ(slot.textureId, runtime.faceSlots[k].textureId);
        EXPECT_EQ(slot.displayList, runtime.faceSlots[k].displayList);
    }
    EXPECT_TRUE(terminated(d.floorImagePath));
    EXPECT_TRUE(terminated(d.backgroundPicturePath));
    EXPECT_EQ(d.floorTextureId, runtime.floorTextureId);
    EXPECT_EQ(d.floorPatternTextureId, runtime.floorPatternTextureId);
}

// The values a hostile file would put in a 32-bit field.
constexpr std::uint32_t kExtremes[] = {
    0x7fc00000u, // NaN
    0x7f800000u, // +infinity
    0xff800000u, // -infinity
    0x80000000u, // -0.0, and INT_MIN
    0x7fffffffu, 0xffffffffu, 0x00000001u, 0x501502f9u /* 1e10f */, 0x00000006u,
};

TEST(HostileProject, RandomFilesLeaveTheInvariantsIntact) {
    TempDir dir;
    const std::string path = dir.file("random.ctn");
    const ProjectData runtime = liveRecord();
    const Bytes valid = fileOf(runtime);
    ProjectData live = runtime;
    std::mt19937 random(20240611);
    const auto below = [&random](std::size_t n) {
        return std::uniform_int_distribution<std::size_t>(0, n - 1)(random);
    };
    const auto randomByte = [&random] {
        return static_cast<char>(std::uniform_int_distribution<int>(0, 255)(random));
    };

    int loaded = 0;
    for (int i = 0; i < 400; ++i) {
        Bytes bytes;
        switch (i % 4) {
        case 0: // noise
            bytes.resize(below(6000));
            std::generate(bytes.begin(), bytes.end(), randomByte);
            break;
        case 1: // the magic, then noise
            bytes.resize(4 + below(6000));
            std::generate(bytes.begin(), bytes.end(), randomByte);
            std::copy(valid.begin(), valid.begin() + 4, bytes.begin());
            break;
        case 2: // a good file with extreme values and flipped bytes here and there
            bytes = valid;
            for (std::size_t n = 1 + below(40); n > 0; --n) {
                const std::size_t at = 4 + below(sizeof(ProjectData) / 4) * 4;
                const std::uint32_t v = kExtremes[below(std::size(kExtremes))];
                std::memcpy(bytes.data() + at, &v, 4);
                bytes[4 + below(sizeof(ProjectData))] = randomByte();
            }
            break;
        default: // a good file cut anywhere, with noise after the cut
            bytes = valid;
            bytes.resize(4 + below(sizeof(ProjectData)));
            for (std::size_t n = below(600); n > 0; --n) {
                bytes.push_back(randomByte());
            }
            break;
        }
        writeBytes(path, bytes);
        const ProjectData before = live;
        const Status status = loadProject(live, path);
        const bool magic =
            bytes.size() >= 4 && std::equal(valid.begin(), valid.begin() + 4, bytes.begin());
        ASSERT_EQ(status.ok(), magic) << "file " << i << ": " << status.message();
        if (status) {
            ++loaded;
        } else {
            EXPECT_FALSE(status.message().empty());
            EXPECT_TRUE(sameBytes(live, before)) << "a refused file changes nothing: " << i;
        }
        expectInvariants(live, runtime, "file " + std::to_string(i));
        if (HasFailure()) {
            writeBytes("hostile-project-failure.ctn", bytes);
            FAIL() << "file " << i << " kept as hostile-project-failure.ctn";
        }
    }
    EXPECT_GT(loaded, 250);
}

TEST(HostileProject, EveryCutOfAFileReplacesJustTheBytesItHas) {
    TempDir dir;
    const std::string path = dir.file("cut.ctn");
    const ProjectData live = liveRecord();
    ProjectData other = liveRecord();
    other.setDimensions(9.0f, 0.5f, 3.0f);
    other.selectedFace = Left;
    setPath(other.faceSlots[Top].imagePath, "other/top.jpg");
    setPath(other.floorImagePath, "floor.bmp");
    other.showShadow = 0;
    other.lightAngle = -1.0f;
    other.hideOverlays = 1;
    for (FaceSlot& slot : other.faceSlots) {
        slot.textureId = 900;
        slot.displayList = 901;
    }
    const Bytes whole = fileOf(other);

    // Fields are 4-byte aligned, so these cuts never join halves of two numbers.
    for (std::size_t length = 0; length <= whole.size(); length += 4) {
        writeBytes(path, Bytes(whole.begin(), whole.begin() + static_cast<std::ptrdiff_t>(length)));
        ProjectData got = live;
        if (length < 4) {
            EXPECT_FALSE(loadProject(got, path));
            EXPECT_TRUE(sameBytes(got, live));
            continue;
        }
        const Status status = loadProject(got, path);
        ASSERT_TRUE(status) << length << ": " << status.message();
        ProjectData expected = live;
        std::memcpy(&expected, &other, length - 4);
        for (int k = 0; k < kSlotCount; ++k) {
            expected.faceSlots[k].textureId = live.faceSlots[k].textureId;
            expected.faceSlots[k].displayList = live.faceSlots[k].displayList;
        }
        ASSERT_TRUE(sameBytes(got, expected)) << "cut after " << length << " bytes";
    }
}

TEST(HostileProject, OversizedFilesReadNoMoreThanTheRecord) {
    TempDir dir;
    ProjectData other = liveRecord();
    other.setDimensions(4.0f, 4.0f, 4.0f);
    const Bytes record = fileOf(other);
    Bytes big(2 << 20, 'x');
    std::copy(record.begin(), record.end(), big.begin());
    writeBytes(dir.file("big.ctn"), big);
    ProjectData live = liveRecord();
    ASSERT_TRUE(loadProject(live, dir.file("big.ctn")));
    EXPECT_EQ(live.boxWidth, 4.0f);

    // Eight gigabytes that take no disk: a load still reads 4424 bytes and returns at once.
    const std::string sparse = dir.file("sparse.ctn");
    writeBytes(sparse, fileOf(liveRecord()));
    if (::truncate(sparse.c_str(), std::int64_t{8} << 30) != 0) {
        GTEST_SKIP() << "no sparse files here";
    }
    const long rssBefore = test::currentRssKb();
    ASSERT_TRUE(loadProject(live, sparse));
    EXPECT_EQ(live.boxWidth, kStartBoxWidth);
    EXPECT_LT(test::currentRssKb() - rssBefore, 16 * 1024) << "memory stays bounded";
}

TEST(HostileProject, OtherFilesAreRefusedByTheirFirstBytes) {
    TempDir dir;
    const Bytes body = fileOf(liveRecord());
    const auto withHead = [&body](std::initializer_list<char> head) {
        Bytes b = body;
        std::copy(head.begin(), head.end(), b.begin());
        return b;
    };
    Bytes shifted = {0};
    shifted.insert(shifted.end(), body.begin(), body.end());
    const std::pair<const char*, Bytes> cases[] = {
        {"png", withHead({'\x89', 'P', 'N', 'G'})},
        {"jpeg", withHead({'\xff', '\xd8', '\xff', '\xe0'})},
        {"one bit off", withHead({0x32, 0x00, '\xee', '\xff'})},
        {"shifted by a byte", shifted},
        {"zeros", Bytes(body.size(), 0)},
        {"text", Bytes{'c', 't', 'n', '\n'}},
        {"three bytes of the magic", Bytes{0x33, 0x00, '\xee'}},
    };
    for (const auto& [name, bytes] : cases) {
        writeBytes(dir.file("wrong.ctn"), bytes);
        ProjectData live = liveRecord();
        const Status status = loadProject(live, dir.file("wrong.ctn"));
        EXPECT_FALSE(status) << name;
        EXPECT_EQ(status.message(), "not a Cartonic project file") << name;
        EXPECT_TRUE(sameBytes(live, liveRecord())) << name;
    }
}

TEST(HostileProject, WhatIsNotARegularFileIsNeverRead) {
    TempDir dir;
    // A socket, a link to a folder, a link to itself, and devices that would never end or block.
    const std::string socketPath = dir.file("socket.ctn");
    const int s = ::socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::strncpy(address.sun_path, socketPath.c_str(), sizeof address.sun_path - 1);
    ASSERT_EQ(::bind(s, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
    std::filesystem::create_directory_symlink(dir.path(), dir.file("folder.ctn"));
    std::filesystem::create_symlink(dir.file("loop.ctn"), dir.file("loop.ctn"));

    for (const std::string& path :
         {socketPath, dir.file("folder.ctn"), dir.file("loop.ctn"), std::string("/dev/zero"),
          std::string("/dev/urandom"), std::string("/dev/null"), std::string("/dev/tty")}) {
        ProjectData live = liveRecord();
        const Status status = loadProject(live, path);
        EXPECT_FALSE(status) << path;
        EXPECT_FALSE(status.message().empty()) << path;
        EXPECT_TRUE(sameBytes(live, liveRecord())) << path;
    }
    ::close(s);
}

TEST(HostileProject, UnreadableFileIsRefused) {
    TempDir dir;
    const std::string path = dir.file("locked.ctn");
    writeBytes(path, fileOf(ProjectData()));
    ASSERT_EQ(::chmod(path.c_str(), 0), 0);
    ASSERT_EQ(::chmod(dir.path().c_str(), 0711), 0);
    // Root reads anything, so the refusal is tried as a user without rights to the file.
    const bool root = ::geteuid() == 0;
    const test::ChildResult result = test::runForked([&] {
        if (root && !test::becomeNobody()) {
            return 77;
        }
        ProjectData live = liveRecord();
        const Status status = loadProject(live, path);
        return !status && status.message() == std::strerror(EACCES) && sameBytes(live, liveRecord())
                   ? 0
                   : 1;
    });
    if (result.status == 77) {
        GTEST_SKIP() << "cannot switch to an unprivileged user";
    }
    EXPECT_EQ(result.status, 0) << "refused with \"Permission denied\", record untouched";
}

TEST(HostileProject, AnyFileNameWorks) {
    TempDir dir;
    // Not UTF-8, and longer than the record's 259-byte paths several times over.
    std::string folder = dir.path();
    for (int i = 0; i < 4; ++i) {
        folder += "/" + std::string(60, 'd') + "\xc3\xa9\xe2\x82\xac\xf0\x9f\x93\xa6";
        std::filesystem::create_directory(folder);
    }
    // And a name as long as a name may be: a temporary name longer than it would not fit.
    const std::string longest = dir.file(std::string(NAME_MAX - 4, 'n') + ".ctn");
    for (const std::string& path :
         {dir.file("projekt\xe4\xff\x80.ctn"), folder + "/box.ctn", longest}) {
        // Saved new, then over the first save.
        for (const float height : {7.0f, 8.0f}) {
            ProjectData saved = liveRecord();
            saved.boxHeight = height;
            const Status savedStatus = saveProject(saved, path);
            ASSERT_TRUE(savedStatus) << savedStatus.message();
            ProjectData live = liveRecord();
            const Status loadedStatus = loadProject(live, path);
            ASSERT_TRUE(loadedStatus) << loadedStatus.message();
            EXPECT_EQ(live.boxHeight, height);
        }
    }
}

TEST(HostileProject, LongPathsAreCutBetweenCharacters) {
    const auto cut = [](const std::string& text) {
        Path p;
        setPath(p, text);
        EXPECT_EQ(p[kPathSize - 1], '\0');
        return pathText(p).size();
    };
    const std::string euro = "\xe2\x82\xac", parcel = "\xf0\x9f\x93\xa6";
    EXPECT_EQ(cut(std::string(257, 'a') + euro + "tail"), 257u) << "3-byte character at 257";
    EXPECT_EQ(cut(std::string(256, 'a') + euro + "tail"), 259u) << "ends exactly at the limit";
    EXPECT_EQ(cut(std::string(256, 'a') + parcel + "tail"), 256u) << "4-byte character at 256";
    EXPECT_EQ(cut(std::string(258, 'a') + parcel), 258u);
    EXPECT_EQ(cut(std::string(259, 'a') + parcel), 259u);
    EXPECT_EQ(cut(std::string(600, 'a')), 259u);
    // Not UTF-8 (Latin-1 bytes look like continuation bytes): cut at the limit, not before.
    EXPECT_EQ(cut(std::string(300, '\xa4')), 259u);
    EXPECT_EQ(cut(std::string(258, 'a') + "\xe4\xa4\xa4"), 258u);

    // A file's path field with no terminator is cut the same way.
    TempDir dir;
    ProjectData hostile = liveRecord();
    std::memset(hostile.faceSlots[Top].imagePath.data(), 'p', 257);
    std::memcpy(hostile.faceSlots[Top].imagePath.data() + 257, euro.data(), 3);
    hostile.floorImagePath.fill('\xa4');
    writeBytes(dir.file("paths.ctn"), fileOf(hostile));
    ProjectData live = liveRecord();
    ASSERT_TRUE(loadProject(live, dir.file("paths.ctn")));
    EXPECT_EQ(pathText(live.faceSlots[Top].imagePath), std::string(257, 'p'));
    EXPECT_EQ(pathText(live.floorImagePath), std::string(259, '\xa4'));
}

} // namespace
} // namespace cartonic
