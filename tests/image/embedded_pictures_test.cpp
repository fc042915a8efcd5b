#include "image/embedded_pictures.h"
#include "image/image_loader.h"
#include "image/vector_pictures.h"
#include "support/temp_dir.h"
#include "support/vector_documents.h"

#include <QBuffer>
#include <QFile>
#include <QImage>

#include <gtest/gtest.h>

#include <filesystem>
#include <thread>

namespace cartonic {
namespace {

using test::TempDir;

QByteArray pngOf(Qt::GlobalColor colour, int width = 6, int height = 4) {
    QImage picture(width, height, QImage::Format_RGB32);
    picture.fill(colour);
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    picture.save(&buffer, "PNG");
    return bytes;
}

void writeFile(const std::string& path, const QByteArray& bytes) {
    QFile file(QString::fromStdString(path));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(bytes);
}

TEST(EmbeddedPictures, BytesDecodeByTheRulesOfTheFileTheyCameFrom) {
    TempDir dir;
    const QByteArray png = pngOf(Qt::red);
    struct Case {
        QByteArray bytes;
        const char* name; // a document is told by its name, as a file is
        Status::Kind kind;
    };
    const Case cases[] = {
        {png, "p", Status::Kind::Ok},
        {png.left(png.size() / 2), "p", Status::Kind::BadFormat},
        {QByteArray("not a picture at all"), "p", Status::Kind::BadFormat},
        {QByteArray(), "p", Status::Kind::BadFormat},
        {test::stripesSvg(64, 8, 16), "p.svg", Status::Kind::Ok},
        {test::colourPagesPdf({Qt::red, Qt::blue}), "p.pdf#page=2", Status::Kind::Ok},
    };
    for (const auto& [bytes, name, kind] : cases) {
        const std::string path = dir.file(name);
        writeFile(pictureFileOf(path), bytes);
        FaceSlot fromFile, fromBytes;
        SlotImage fileImage, bytesImage;
        const Status file = loadImage(fromFile, fileImage, path);
        const Status memory = loadImageBytes(fromBytes, bytesImage, bytes, path);
        EXPECT_EQ(memory.kind(), kind) << name << ": " << memory.message();
        EXPECT_EQ(memory.kind(), file.kind());
        EXPECT_EQ(memory.message(), file.message());
        EXPECT_EQ(bytesImage.image, fileImage.image) << name;
        EXPECT_EQ(fromBytes.imageWidth, fromFile.imageWidth);
    }
}

// A project with a front and a floor picture, saved with its pictures inside, opened after its
// files have gone through what a trip to another machine may do to them.
TEST(EmbeddedPictures, OpeningDrawsFromInsideWhereTheFileIsGoneOrAnother) {
    enum class Trip { Intact, Deleted, Replaced, Unreadable };
    for (const Trip trip : {Trip::Intact, Trip::Deleted, Trip::Replaced, Trip::Unreadable}) {
        TempDir dir;
        const QByteArray front = pngOf(Qt::red), floor = pngOf(Qt::blue, 3, 3);
        writeFile(dir.file("front.png"), front);
        writeFile(dir.file("floor.png"), floor);
        ProjectData data;
        setPath(data.faceSlots[Front].imagePath, "front.png");
        setPath(data.floorImagePath, dir.file("floor.png"));
        SlotImages images;
        ASSERT_TRUE(restoreProjectImages(data, images, dir.path()).empty());
        const SlotImages shown = images;

        ProjectExtension extension;
        extension.settings.embedPictures = true;
        std::vector<std::string> notes;
        gatherEmbeddedPictures(data, images, storedPicturePaths(data, dir.path()), extension,
                               &notes);
        ASSERT_EQ(extension.pictures.size(), 2u);
        EXPECT_TRUE(notes.empty());
        EXPECT_EQ(extension.pictures[0].bytes, front) << "the file byte for byte";
        EXPECT_EQ(extension.pictures[0].name, "front.png");
        EXPECT_EQ(extension.pictures[1].sha256, sha256Of(floor));

        const std::string frontFile = dir.file("front.png");
        if (trip == Trip::Deleted) {
            std::filesystem::remove(frontFile);
        } else if (trip == Trip::Replaced) {
            writeFile(frontFile, pngOf(Qt::green));
        } else if (trip == Trip::Unreadable) {
            std::filesystem::remove(frontFile);
            std::filesystem::create_directory(frontFile);
        }
        for (EmbeddedPicture& p : extension.pictures) {
            p.shownAs = 0; // as read from a file
        }
        SlotImages opened;
        std::vector<UnloadedPicture> unloaded = restoreProjectImages(data, opened, dir.path());
        const int inside = restoreEmbeddedPictures(data, opened, extension, dir.path(), unloaded);
        const int index = static_cast<int>(trip);
        EXPECT_EQ(inside, trip == Trip::Intact ? 0 : 1) << index;
        EXPECT_TRUE(unloaded.empty()) << index;
        EXPECT_EQ(opened[Front].image, shown[Front].image) << index;
        EXPECT_EQ(opened[kFloorSlot].image, shown[kFloorSlot].image) << index;
        for (const EmbeddedPicture& p : extension.pictures) {
            EXPECT_TRUE(showsKeptCopy(p, opened[p.slot])) << index << " slot " << p.slot;
        }

        SlotPictures sources;
        addEmbeddedSources(extension, opened, sources);
        EXPECT_EQ(sources.embedded[Front], front) << index;
        opened[Front].image = QImage(2, 2, QImage::Format_RGBX8888); // another picture chosen
        SlotPictures after;
        addEmbeddedSources(extension, opened, after);
        EXPECT_TRUE(after.embedded[Front].isEmpty()) << "a slot showing another picture";
    }
}

TEST(EmbeddedPictures, ExtractWritesEachCopyOnceAndPointsTheSlotsAtIt) {
    TempDir dir;
    const QByteArray red = pngOf(Qt::red), green = pngOf(Qt::green);
    ProjectData data;
    SlotImages images;
    ProjectExtension extension;
    const auto keep = [&](int slot, const char* name, const QByteArray& bytes) {
        images[slot].image = QImage(1, 1, QImage::Format_RGBX8888);
        extension.pictures.push_back(
            {slot, name, bytes, sha256Of(bytes), images[slot].image.cacheKey()});
    };
    keep(Front, "/elsewhere/box.png", red);
    keep(Back, "box.png", green); // the same name, another file
    keep(Top, "/elsewhere/box.png", red);
    std::filesystem::create_directory(dir.file("out"));
    writeFile(dir.file("out/box.png"), pngOf(Qt::yellow));
    writeFile(dir.file("out/box-3.png"), green); // already there: taken as it is

    const Result<std::vector<std::string>> written =
        extractEmbeddedPictures(data, images, extension, dir.file("out"));
    ASSERT_TRUE(written) << written.status.message();
    const std::vector<std::string> expected = {dir.file("out/box-2.png"),
                                               dir.file("out/box-3.png")};
    EXPECT_EQ(written.value, expected);
    EXPECT_EQ(pathText(data.faceSlots[Front].imagePath), expected[0]);
    EXPECT_EQ(pathText(data.faceSlots[Top].imagePath), expected[0]);
    EXPECT_EQ(pathText(data.faceSlots[Back].imagePath), expected[1]);
    QFile first(QString::fromStdString(expected[0]));
    ASSERT_TRUE(first.open(QIODevice::ReadOnly));
    EXPECT_EQ(first.readAll(), red);

    const Result<std::vector<std::string>> nowhere =
        extractEmbeddedPictures(data, images, extension, dir.file("missing"));
    EXPECT_FALSE(nowhere);
    EXPECT_FALSE(nowhere.status.message().empty());
}

QByteArray fileBytes(const std::string& path) {
    QFile file(QString::fromStdString(path));
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// One kept copy in slot, shown there; the extension that keeps it.
ProjectExtension keeping(SlotImages& images, int slot, const std::string& name,
                         const QByteArray& bytes) {
    images[slot].image = QImage(1, 1, QImage::Format_RGBX8888);
    ProjectExtension extension;
    extension.pictures.push_back(
        {slot, name, bytes, sha256Of(bytes), images[slot].image.cacheKey()});
    return extension;
}

TEST(EmbeddedPictures, ExtractNamesEveryCopySafelyAndNeverReplacesAFile) {
    TempDir dir;
    const QByteArray png = pngOf(Qt::red);
    const QByteArray pdf = test::colourPagesPdf({Qt::red, Qt::blue});
    const std::string out = dir.file("out");
    std::filesystem::create_directory(out);
    struct Case {
        std::string name;
        QByteArray bytes;
        std::vector<std::string> reserved;
        const char* file; // extracted as, in out
        const char* slotPath;
    };
    const Case cases[] = {
        {"box.png", png, {}, "box.png", "box.png"},
        {"p2.ctn", png, {out + "/p2.ctn"}, "p2-2.ctn", "p2-2.ctn"},
        {std::string(1, '\0'), png, {}, "Front.png", "Front.png"},
        {"..", png, {}, "Front.png", "Front.png"},
        {std::string(300, 'n'), png, {}, "Front.png", "Front.png"},
        {"/art/two.pdf#page=2", pdf, {}, "two.pdf", "two.pdf#page=2"},
    };
    for (const Case& c : cases) {
        std::filesystem::remove_all(out);
        std::filesystem::create_directory(out);
        ProjectData data;
        SlotImages images;
        const ProjectExtension extension = keeping(images, Front, c.name, c.bytes);
        const Result<std::vector<std::string>> written =
            extractEmbeddedPictures(data, images, extension, out, c.reserved);
        ASSERT_TRUE(written) << c.file << ": " << written.status.message();
        EXPECT_EQ(fileBytes(out + "/" + c.file), c.bytes) << c.file;
        EXPECT_EQ(pathText(data.faceSlots[Front].imagePath), out + "/" + c.slotPath);
    }

    // A folder too deep for a project to name gets nothing written into it.
    std::string deep = out;
    while (deep.size() < kPathSize - 8) {
        deep += "/dddddddddd";
    }
    std::filesystem::create_directories(deep);
    ProjectData data;
    SlotImages images;
    const Result<std::vector<std::string>> tooLong =
        extractEmbeddedPictures(data, images, keeping(images, Front, "front.png", png), deep);
    EXPECT_EQ(tooLong.status.kind(), Status::Kind::Usage) << tooLong.status.message();
    EXPECT_TRUE(std::filesystem::is_empty(deep));
}

TEST(EmbeddedPictures, ExtractsIntoOneFolderAtOnceEachKeepTheirOwnFile) {
    TempDir dir;
    for (int round = 0; round < 20; ++round) {
        const std::string out = dir.file("round" + std::to_string(round));
        std::filesystem::create_directory(out);
        ProjectData data[2];
        SlotImages images[2];
        const QByteArray bytes[2] = {pngOf(Qt::red), pngOf(Qt::blue)};
        ProjectExtension extensions[2] = {keeping(images[0], Front, "front.png", bytes[0]),
                                          keeping(images[1], Front, "front.png", bytes[1])};
        bool ok[2] = {};
        std::thread other(
            [&] { ok[1] = extractEmbeddedPictures(data[1], images[1], extensions[1], out).ok(); });
        ok[0] = extractEmbeddedPictures(data[0], images[0], extensions[0], out).ok();
        other.join();
        for (int k = 0; k < 2; ++k) {
            ASSERT_TRUE(ok[k]);
            EXPECT_EQ(fileBytes(std::string(pathText(data[k].faceSlots[Front].imagePath))),
                      bytes[k])
                << "round " << round << ": each project names its own picture";
        }
    }
}

TEST(EmbeddedPictures, APdfPageIsKeptAsItsDocumentAndACopyThatCannotBeDrawnSaysSo) {
    TempDir dir;
    const QByteArray pdf = test::colourPagesPdf({Qt::red, Qt::blue});
    writeFile(dir.file("two.pdf"), pdf);
    writeFile(dir.file("front.png"), pngOf(Qt::red));
    ProjectData data;
    setPath(data.faceSlots[Back].imagePath, "two.pdf#page=2");
    setPath(data.faceSlots[Front].imagePath, "front.png");
    SlotImages images;
    ASSERT_TRUE(restoreProjectImages(data, images, dir.path()).empty());
    const QImage page2 = images[Back].image;

    ProjectExtension extension;
    extension.settings.embedPictures = true;
    std::vector<std::string> notes;
    gatherEmbeddedPictures(data, images, storedPicturePaths(data, dir.path()), extension, &notes);
    EXPECT_TRUE(notes.empty()) << notes.front();
    ASSERT_NE(extension.pictureFor(Back), nullptr);
    EXPECT_EQ(extension.pictureFor(Back)->bytes, pdf);
    EXPECT_EQ(extension.pictureFor(Back)->name, "two.pdf#page=2");

    std::filesystem::remove(dir.file("two.pdf"));
    std::filesystem::remove(dir.file("front.png"));
    extension.pictureFor(Front)->bytes = "damaged";
    SlotImages opened;
    std::vector<UnloadedPicture> unloaded = restoreProjectImages(data, opened, dir.path());
    EXPECT_EQ(restoreEmbeddedPictures(data, opened, extension, dir.path(), unloaded), 1);
    EXPECT_EQ(opened[Back].image, page2) << "the page, drawn from inside";
    ASSERT_EQ(unloaded.size(), 1u);
    EXPECT_EQ(unloaded[0].slot, Front);
    EXPECT_NE(unloaded[0].status.message().find("copy kept inside the project cannot be drawn"),
              std::string::npos)
        << unloaded[0].status.message();

    // The copy that could not be drawn is still the face's only picture: a save keeps it.
    gatherEmbeddedPictures(data, opened, storedPicturePaths(data, dir.path()), extension, &notes);
    ASSERT_NE(extension.pictureFor(Front), nullptr);
    EXPECT_EQ(extension.pictureFor(Front)->bytes, "damaged");
    EXPECT_NE(extension.pictureFor(Back), nullptr);
}

} // namespace
} // namespace cartonic
