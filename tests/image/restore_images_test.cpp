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
    // Left over from an earlier project in this run: a picture and texture on Back and Top.
    data.faceSlots[Back].textureId = 5;
    images[Back].image = QImage(2, 2, QImage::Format_RGBX8888);
    data.faceSlots[Top].textureId = 6;
    setPath(data.faceSlots[Front].imagePath, "front.png"); // relative to the project
    setPath(data.faceSlots[Top].imagePath, dir.file("gone.png"));
    setPath(data.floorImagePath, dir.file("floor.png"));

    int built = 0;
    const auto build = [&](FaceSlot& slot, const SlotImage& image) {
        EXPECT_FALSE(image.empty());
        slot.textureId = 100 + built++;
    };
    std::vector<std::string> reasons;
    const auto missing = restoreProjectImages(data, images, dir.path(), build, &reasons);

    ASSERT_EQ(missing, std::vector<std::string>{dir.file("gone.png")});
    ASSERT_EQ(reasons.size(), 1u);
    EXPECT_NE(reasons[0].find(std::strerror(ENOENT)), std::string::npos) << reasons[0];
    EXPECT_EQ(built, 2);
    EXPECT_EQ(data.faceSlots[Front].imageWidth, 4);
    EXPECT_NE(data.faceSlots[Front].textureId, 0u);
    EXPECT_EQ(data.faceSlots[Back].textureId, 0u) << "no path: the old texture is not shown";
    EXPECT_TRUE(images[Back].empty());
    EXPECT_EQ(data.faceSlots[Top].textureId, 0u);
    EXPECT_EQ(pathText(data.faceSlots[Top].imagePath), dir.file("gone.png")) << "path kept";
    EXPECT_EQ(data.floorTextureId, data.faceSlots[kFloorSlot].textureId);
    EXPECT_NE(data.floorTextureId, 0u);
}

TEST(RestoreImages, NoFloorPictureMeansThePattern) {
    ProjectData data;
    SlotImages images;
    data.floorTextureId = 9;
    images[kFloorSlot].image = QImage(2, 2, QImage::Format_RGBX8888);
    const auto missing =
        restoreProjectImages(data, images, "/", [](FaceSlot&, const SlotImage&) {});
    EXPECT_TRUE(missing.empty());
    EXPECT_EQ(data.floorTextureId, 0u);
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
