#include "model/project_extension.h"
#include "model/project_file.h"
#include "support/project_bytes.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <unistd.h>

namespace cartonic {
namespace {

using test::fileOf;
using test::readBytes;
using test::TempDir;
using test::writeBytes;

ProjectExtension fullExtension() {
    ProjectExtension e;
    e.settings = {{0.25f, 0.75f}, true};
    const QByteArray file("\x89PNG not really a picture", 25);
    e.pictures.push_back({Front, "pictures/front.png", file, sha256Of(file)});
    e.kept.push_back({0x5A5A5A5A, QByteArray("a later version's data")});
    return e;
}

std::vector<char> extensionBytes(const ProjectExtension& e) {
    std::vector<char> out;
    EXPECT_TRUE(writeProjectExtension(e, [&](const void* bytes, std::size_t n) {
        const auto* p = static_cast<const char*>(bytes);
        out.insert(out.end(), p, p + n);
        return true;
    }));
    return out;
}

ProjectExtension parsed(const std::vector<char>& bytes, std::string* note) {
    return parseProjectExtension(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size(),
                                 note);
}

std::uint32_t word(const std::vector<char>& b, std::size_t at) {
    return std::uint32_t(std::uint8_t(b[at])) | std::uint32_t(std::uint8_t(b[at + 1])) << 8 |
           std::uint32_t(std::uint8_t(b[at + 2])) << 16 |
           std::uint32_t(std::uint8_t(b[at + 3])) << 24;
}

void putWord(std::vector<char>& b, std::size_t at, std::uint32_t value) {
    for (int k = 0; k < 4; ++k) {
        b[at + k] = static_cast<char>(value >> (8 * k));
    }
}

TEST(ProjectExtension, NothingNewIsTheRecordAloneAndAnExtensionLeavesTheRecordAsItWas) {
    TempDir dir;
    const ProjectData data;
    ProjectExtension unused = fullExtension();
    unused.settings = {};
    unused.kept.clear(); // pictures without the switch are not written
    ASSERT_TRUE(saveProject(data, unused, dir.file("plain.ctn")));
    EXPECT_EQ(readBytes(dir.file("plain.ctn")), fileOf(data));

    const ProjectExtension saved = fullExtension();
    ASSERT_TRUE(saveProject(data, saved, dir.file("full.ctn")));
    std::vector<char> bytes = readBytes(dir.file("full.ctn"));
    ASSERT_GT(bytes.size(), kProjectFileSize);
    bytes.resize(kProjectFileSize);
    EXPECT_EQ(bytes, fileOf(data)) << "a reader of the record alone reads today's project";

    ProjectData record;
    ProjectExtension loaded;
    std::string note = "stale";
    ASSERT_TRUE(loadProject(record, loaded, dir.file("full.ctn"), &note));
    EXPECT_EQ(note, "");
    EXPECT_EQ(loaded.settings, saved.settings);
    ASSERT_EQ(loaded.pictures.size(), 1u);
    EXPECT_EQ(loaded.pictures[0].slot, Front);
    EXPECT_EQ(loaded.pictures[0].name, saved.pictures[0].name);
    EXPECT_EQ(loaded.pictures[0].bytes, saved.pictures[0].bytes);
    EXPECT_EQ(loaded.pictures[0].sha256, saved.pictures[0].sha256);
    ASSERT_EQ(loaded.kept.size(), 1u);
    EXPECT_EQ(loaded.kept[0].type, saved.kept[0].type);
    EXPECT_EQ(loaded.kept[0].payload, saved.kept[0].payload);

    ASSERT_TRUE(saveProject(data, loaded, dir.file("again.ctn")));
    EXPECT_EQ(readBytes(dir.file("again.ctn")), readBytes(dir.file("full.ctn")))
        << "what was read is written back byte for byte, unknown parts included";
}

TEST(ProjectExtension, DamageDropsOnlyTheBadPartsAndSaysSoInOneLine) {
    const std::vector<char> good = extensionBytes(fullExtension());
    // Header 8 bytes, LOOK 8 + 12 + 4, then PICT.
    const std::size_t picture = 8 + 24;
    const std::size_t pictureLength = word(good, picture + 4);
    const std::size_t kept = picture + 8 + pictureLength + 4;

    struct Case {
        const char* name;
        std::function<void(std::vector<char>&)> damage;
        bool look, picture, kept;
        const char* note; // "" for none
    };
    const Case cases[] = {
        {"intact", [](auto&) {}, true, true, true, ""},
        {"no tag", [](auto& b) { b[0] = 'X'; }, false, false, false, "kept as they are"},
        {"other version", [](auto& b) { putWord(b, 4, 2); }, false, false, false, "version 2"},
        {"flipped picture byte", [&](auto& b) { b[picture + 60] ^= 1; }, true, false, true,
         "a PICT part fails its checksum"},
        {"cut in the last part", [&](auto& b) { b.erase(b.end() - 3, b.end()); }, true, true, false,
         "claims more bytes than the file holds"},
        {"cut in a header", [&](auto& b) { b.resize(kept + 5); }, true, true, false, "cut short"},
        {"length past the end", [&](auto& b) { putWord(b, picture + 4, 0xFFFFFFF0u); }, true, false,
         false, "claims more bytes"},
    };
    for (const Case& c : cases) {
        std::vector<char> bytes = good;
        c.damage(bytes);
        std::string note;
        const ProjectExtension e = parsed(bytes, &note);
        EXPECT_EQ(e.settings != ExtensionSettings{}, c.look) << c.name;
        EXPECT_EQ(e.pictures.size(), c.picture ? 1u : 0u) << c.name;
        EXPECT_EQ(e.kept.size(), c.kept ? 1u : 0u) << c.name;
        EXPECT_EQ(note.find('\n'), std::string::npos) << c.name;
        if (*c.note) {
            EXPECT_NE(note.find(c.note), std::string::npos) << c.name << ": " << note;
        } else {
            EXPECT_EQ(note, "") << c.name;
        }
    }

    // Whole parts whose payloads make no sense, written as a later version's would be.
    const auto chunkType = [](const char* name) {
        return word({name, name + 4}, 0);
    };
    const std::pair<KeptChunk, const char*> crafted[] = {
        {{chunkType("LOOK"), QByteArray(11, 0)}, "a LOOK part has a bad length"},
        {{chunkType("PICT"), QByteArray(39, 0)}, "a PICT part is too short"},
        {{chunkType("PICT"), QByteArray("\x09\0\0\0", 4) + QByteArray(40, 0)}, "names no slot"},
        {{chunkType("PICT"), QByteArray(40, 0)}, "holds no file"},
        {{chunkType("PICT"), QByteArray(41, 0)}, "does not match its hash"},
    };
    for (const auto& [chunk, why] : crafted) {
        ProjectExtension e;
        e.kept.push_back(chunk);
        std::string note;
        EXPECT_TRUE(parsed(extensionBytes(e), &note).kept.empty()) << why;
        EXPECT_NE(note.find(why), std::string::npos) << note;
    }
}

TEST(ProjectExtension, WhatIsNotReadIsKeptByteForByteAndSaidOnce) {
    const std::vector<char> good = extensionBytes(fullExtension());
    ProjectExtension many;
    many.kept.assign(kMaxExtensionChunks + 5, KeptChunk{0x5A5A5A5A, {}});
    const std::vector<char> manyChunks = extensionBytes(many);
    std::vector<char> twoLooks = good;
    twoLooks.insert(twoLooks.begin() + 32, good.begin() + 8, good.begin() + 32);

    struct Case {
        const char* name;
        std::vector<char> tail;
        const char* note;
        std::size_t kept;
    };
    const Case cases[] = {
        {"no tag", {'j', 'u', 'n', 'k'}, "4 bytes after its record", 0},
        {"version 2",
         [&] {
             auto b = good;
             putWord(b, 4, 2);
             return b;
         }(),
         "version 2", 0},
        {"parts past the most read", manyChunks, "more than 1024 parts", kMaxExtensionChunks},
    };
    TempDir dir;
    for (const Case& c : cases) {
        std::vector<char> file = fileOf(ProjectData{});
        file.insert(file.end(), c.tail.begin(), c.tail.end());
        writeBytes(dir.file("in.ctn"), file);
        ProjectData record;
        ProjectExtension e;
        std::string note;
        ASSERT_TRUE(loadProject(record, e, dir.file("in.ctn"), &note)) << c.name;
        EXPECT_NE(note.find(c.note), std::string::npos) << c.name << ": " << note;
        EXPECT_EQ(note.find('\n'), std::string::npos) << c.name;
        EXPECT_EQ(e.kept.size(), c.kept) << c.name;
        std::string saveNote;
        ASSERT_TRUE(saveProject(record, e, dir.file("out.ctn"), &saveNote)) << c.name;
        EXPECT_EQ(saveNote, "") << c.name;
        const std::vector<char> out = readBytes(dir.file("out.ctn"));
        EXPECT_EQ(std::vector<char>(out.begin() + kProjectFileSize, out.end()), c.tail)
            << c.name << " is written back as it was";
    }

    // A second look is dropped, the first kept.
    std::string note;
    EXPECT_EQ(parsed(twoLooks, &note).settings, fullExtension().settings);
    EXPECT_NE(note.find("a LOOK part repeats the look"), std::string::npos) << note;

    // What this version cannot add beside a tail it keeps is said, and the tail still kept.
    ProjectExtension foreign;
    foreign.unread = "junk";
    foreign.unreadIsWholeTail = true;
    foreign.settings.look.shadowSoftness = 0.5f;
    EXPECT_NE(extensionSaveNote(foreign).find("not saved"), std::string::npos);
    EXPECT_EQ(projectExtensionBytes(foreign), 4);
}

TEST(ProjectExtension, AFileTheReaderWouldNotReadIsNeverWritten) {
    TempDir dir;
    const std::string path = dir.file("p.ctn");
    ASSERT_TRUE(saveProject(ProjectData{}, path));
    ProjectExtension huge;
    // One untouched buffer shared by every part: nothing is read of it before the refusal.
    const QByteArray payload(kMaxEmbeddedPictureBytes, Qt::Uninitialized);
    huge.kept.assign(kMaxProjectFileBytes / kMaxEmbeddedPictureBytes, KeptChunk{1, payload});
    const Status saved = saveProject(ProjectData{}, huge, path);
    EXPECT_EQ(saved.kind(), Status::Kind::TooLarge) << saved.message();
    EXPECT_NE(saved.message().find("nothing was saved"), std::string::npos) << saved.message();
    EXPECT_EQ(readBytes(path), fileOf(ProjectData{})) << "the file is left as it was";
}

TEST(ProjectExtension, SettingsOutOfRangeAreBroughtIntoIt) {
    ProjectExtension e;
    for (const auto& [stored, read] : {std::pair{5.0f, SceneLook::kMax},
                                       {-1.0f, SceneLook::kMin},
                                       {std::nanf(""), SceneLook::kMin},
                                       {0.5f, 0.5f}}) {
        e.settings.look = {stored, stored};
        e.settings.embedPictures = true;
        std::string note;
        const ProjectExtension back = parsed(extensionBytes(e), &note);
        EXPECT_EQ(back.settings.look.shadowSoftness, read) << stored;
        EXPECT_EQ(back.settings.look.reflectionFade, read) << stored;
        EXPECT_EQ(note, "");
    }
}

TEST(ProjectExtension, AFileOverTheLimitLoadsItsRecordAlone) {
    TempDir dir;
    const std::string path = dir.file("huge.ctn");
    ASSERT_TRUE(saveProject(ProjectData{}, fullExtension(), path));
    ASSERT_EQ(::truncate(path.c_str(), kMaxProjectFileBytes + 1), 0); // sparse: no disk taken
    ProjectData record;
    ProjectExtension e = fullExtension();
    std::string note;
    ASSERT_TRUE(loadProject(record, e, path, &note));
    EXPECT_TRUE(e.pictures.empty());
    EXPECT_EQ(e.settings, ExtensionSettings{});
    EXPECT_NE(note.find("larger than 2048 MB"), std::string::npos) << note;
    EXPECT_NE(extensionSaveNote(e).find("2048 MB after the record"), std::string::npos)
        << "the save that drops it says so";
}

} // namespace
} // namespace cartonic
