#include "image/restore_images.h"
#include "support/temp_dir.h"

#include <QImage>

#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>

namespace cartonic {
namespace {

TEST(RestoreImages, ReloadsWhatItFindsAndClearsTheRest) {
    test::TempDir dir;
    QImage red(4, 2, QImage::Format_RGB32);
    red.fill(Qt::red);
    ASSERT_TRUE(red.save(QString::fromStdString(dir.file("front.png"))));
    ASSERT_TRUE(red.save(QString::fromStdString(dir.file("floor.png"))));

    ProjectData data;
    SlotImages images;
    // Left over from an earlier project in this run: pictures on Back and Top.
    images[Back].image = QImage(2, 2, QImage::Format_RGBX8888);
    images[Top].image = QImage(2, 2, QImage::Format_RGBX8888);
    setPath(data.faceSlots[Front].imagePath, "front.png"); // relative to the project
    setPath(data.faceSlots[Top].imagePath, dir.file("gone.png"));
    setPath(data.floorImagePath, dir.file("floor.png"));

    const auto missing = restoreProjectImages(data, images, dir.path());

    ASSERT_EQ(missing.size(), 1u);
    EXPECT_EQ(missing[0].path, dir.file("gone.png"));
    EXPECT_EQ(missing[0].status.kind(), Status::Kind::NotFound);
    EXPECT_NE(missing[0].status.message().find(std::strerror(ENOENT)), std::string::npos)
        << missing[0].status.message();
    EXPECT_EQ(data.faceSlots[Front].imageWidth, 4);
    EXPECT_FALSE(images[Front].empty());
    EXPECT_TRUE(images[Back].empty()) << "no path: the old picture is not shown";
    EXPECT_TRUE(images[Top].empty());
    EXPECT_EQ(pathText(data.faceSlots[Top].imagePath), dir.file("gone.png")) << "path kept";
    EXPECT_FALSE(images[kFloorSlot].empty());
}

TEST(RestoreImages, NoFloorPictureMeansThePattern) {
    ProjectData data;
    SlotImages images;
    images[kFloorSlot].image = QImage(2, 2, QImage::Format_RGBX8888);
    const auto missing = restoreProjectImages(data, images, "/");
    EXPECT_TRUE(missing.empty());
    EXPECT_TRUE(images[kFloorSlot].empty());
}

TEST(RestoreImages, ResolvesRelativePaths) {
    EXPECT_EQ(resolveAgainst("/a/b", "c.png"), "/a/b/c.png");
    EXPECT_EQ(resolveAgainst("/a/b/", "c.png"), "/a/b/c.png");
    EXPECT_EQ(resolveAgainst("/a/b", "/c.png"), "/c.png");
    EXPECT_EQ(resolveAgainst("/a/b", ""), "");
}

} // namespace
} // namespace cartonic
