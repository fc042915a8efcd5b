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

} // namespace
} // namespace cartonic
