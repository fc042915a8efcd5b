// The steps of a cartonic-render run that need no GL context: camera, record changes, pictures
// from the command line and the paths a saved project stores.

#include "cli/project_json.h"
#include "cli/render_job.h"
#include "model/picture_paths.h"
#include "support/temp_dir.h"

#include <QImage>

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <cstring>
#include <filesystem>
#include <random>

namespace cartonic {
namespace {

RenderOptions parsed(const std::vector<std::string>& args) {
    const Result<RenderOptions> r = parseRenderOptions(args);
    EXPECT_EQ(r.status.message(), "");
    return r.value;
}

void expectSameCamera(const Camera& a, const Camera& b) {
    EXPECT_EQ(a.eye, b.eye);
    EXPECT_EQ(a.target, b.target);
    EXPECT_EQ(a.fov, b.fov);
    EXPECT_EQ(a.aspect, b.aspect);
    EXPECT_EQ(a.projectionMatrix(), b.projectionMatrix());
}

TEST(RenderJob, CameraTakesTheOptionsInTheirOrderFromTheStartUpCamera) {
    const Camera plain = cameraFor(parsed({"--size", "400x200"}));
    Camera expected = Camera::startUp();
    expected.setViewSize(400, 200);
    expectSameCamera(plain, expected);
    EXPECT_EQ(plain.aspect, 2.0f);

    // Given in any order on the command line, applied as fov, yaw, pitch, zoom: a pitch before
    // the yaw would leave the eye elsewhere.
    const Camera moved = cameraFor(
        parsed({"--zoom", "2", "--pitch", "0.3", "--yaw", "1.2", "--fov", "60", "--size", "9x3"}));
    expected = Camera::startUp();
    expected.fov = 60.0f;
    expected.yaw(1.2f);
    expected.pitch(0.3f);
    expected.dolly(2.0f);
    expected.setViewSize(9, 3);
    expectSameCamera(moved, expected);

    Camera otherOrder = Camera::startUp();
    otherOrder.pitch(0.3f);
    otherOrder.yaw(1.2f);
    EXPECT_NE(moved.eye, otherOrder.eye);
}

TEST(RenderJob, RecordOptionsChangeOnlyWhatTheyName) {
    ProjectData data;
    data.setDimensions(kStartBoxWidth, kStartBoxDepth, kStartBoxHeight);
    data.faceSlots[Top].orientation = Turn90;
    const ProjectData before = data;

    applyRecordOptions(parsed({}), data);
    EXPECT_EQ(std::memcmp(&data, &before, sizeof data), 0);

    applyRecordOptions(parsed({"--box", "3,4,6", "--orientation", "left=2"}), data);
    EXPECT_EQ(data.boxWidth, 3.0f);
    EXPECT_EQ(data.boxDepth, 4.0f);
    EXPECT_EQ(data.boxHeight, 6.0f);
    EXPECT_EQ(data.faceSlots[Left].orientation, FlipVertical);
    EXPECT_EQ(data.faceSlots[Top].orientation, Turn90);
    EXPECT_EQ(data.faceSlots[Front].orientation, AsLoaded);
}

TEST(RenderJob, PicturesFromTheCommandLineLoadBeforeTheyArePlaced) {
    test::TempDir dir;
    QImage red(6, 4, QImage::Format_RGB32);
    red.fill(qRgb(255, 0, 0));
    ASSERT_TRUE(red.save(QString::fromStdString(dir.file("red.png"))));
    test::writeBytes(dir.file("text.png"), {'n', 'o', 't'});

    std::vector<LoadedPicture> loaded;
    const Status status = loadChosenPictures(
        parsed({"--face", "back=" + dir.file("red.png"), "--floor", dir.file("red.png")}), loaded);
    ASSERT_TRUE(status) << status.message();
    ASSERT_EQ(loaded.size(), 2u);
    EXPECT_EQ(loaded[0].slot, Back);
    EXPECT_EQ(loaded[0].width, 6);
    EXPECT_EQ(loaded[0].height, 4);

    Project project;
    ProjectData& data = project.record;
    const SlotImages& images = project.pictures;
    data.floorTextureEnabled = 0;
    data.floorTextureId = 0;
    placePictures(loaded, project);
    EXPECT_EQ(pathText(data.faceSlots[Back].imagePath), dir.file("red.png"));
    EXPECT_EQ(data.faceSlots[Back].imageWidth, 6);
    EXPECT_EQ(images[Back].image.pixel(0, 0), qRgb(255, 0, 0));
    // The floor's path lives in the record's floor field; its switch stays the project's.
    EXPECT_EQ(pathText(data.floorImagePath), dir.file("red.png"));
    EXPECT_EQ(pathText(data.faceSlots[kFloorSlot].imagePath), "");
    EXPECT_FALSE(images[kFloorSlot].empty());
    EXPECT_EQ(data.floorTextureEnabled, 0);
    EXPECT_TRUE(images[Front].empty());

    for (const std::string& bad : {dir.file("text.png"), dir.file("missing.png"), dir.path()}) {
        const Status refused = loadChosenPictures(
            parsed({"--face", "top=" + dir.file("red.png"), "--face", "front=" + bad}), loaded);
        EXPECT_FALSE(refused);
        EXPECT_EQ(refused.message().rfind("cannot load picture " + bad + ": ", 0), 0u)
            << refused.message();
    }
}

TEST(PicturePaths, SavedProjectsFindTheirPicturesFromTheirOwnFolder) {
    namespace fs = std::filesystem;
    // Absolute and empty paths stay; the same folder keeps the text exactly.
    EXPECT_EQ(rebasePath("/pics/a.png", "/work", "/elsewhere"), "/pics/a.png");
    EXPECT_EQ(rebasePath("", "/work", "/elsewhere"), "");
    EXPECT_EQ(rebasePath("./art//a.png", "/work/p", "/work/p/"), "./art//a.png");
    // Otherwise relative to the saved project's folder, climbing out where needed.
    EXPECT_EQ(rebasePath("examples/art/a.png", "/repo", "/repo/examples"), "art/a.png");
    EXPECT_EQ(rebasePath("art/a.png", "/repo/examples", "/tmp/out"),
              "../../repo/examples/art/a.png");
    EXPECT_EQ(rebasePath("../shared/a.png", "/repo/p", "/repo/q/r"), "../../shared/a.png");

    EXPECT_EQ(absoluteFolderOf("x.ctn"), workingFolder());
    EXPECT_EQ(absoluteFolderOf("/a/b/../c/x.ctn"), "/a/c");

    // Through a linked folder, ".." climbs from the link's target, as the file system does.
    test::TempDir dir;
    fs::create_directories(dir.file("real/pics"));
    fs::create_directories(dir.file("out"));
    fs::create_directory_symlink(dir.file("real/pics"), dir.file("link"));
    test::writeBytes(dir.file("real/pic.png"), {'x'});
    const std::string stored = rebasePath("link/../pic.png", dir.path(), dir.file("out"));
    EXPECT_TRUE(fs::equivalent(fs::path(dir.file("out")) / stored, dir.file("real/pic.png")))
        << stored;
    EXPECT_EQ(absoluteFolderOf(dir.file("link/../x.ctn")),
              fs::canonical(dir.file("real")).string());

    ProjectData data;
    setPath(data.faceSlots[Front].imagePath, "art/front.png");
    setPath(data.faceSlots[Top].imagePath, "/abs/top.png");
    setPath(data.floorImagePath, "floor.png");
    PictureBases bases;
    bases.fill("/repo/examples");
    bases[kFloorSlot] = "/repo";
    ASSERT_TRUE(rebasePicturePaths(data, bases, "/repo/examples").ok());
    EXPECT_EQ(pathText(data.faceSlots[Front].imagePath), "art/front.png");
    EXPECT_EQ(pathText(data.faceSlots[Top].imagePath), "/abs/top.png");
    EXPECT_EQ(pathText(data.floorImagePath), "../floor.png");

    // A path that would no longer fit its field is refused, and nothing is rewritten.
    const ProjectData before = data;
    PictureBases deep;
    deep.fill("/" + std::string(kPathSize, 'd'));
    const Status refused = rebasePicturePaths(data, deep, "/repo/examples");
    EXPECT_EQ(refused.kind(), Status::Kind::TooLarge);
    EXPECT_NE(refused.message().find(std::string(kPathSize, 'd')), std::string::npos)
        << refused.message();
    EXPECT_EQ(std::memcmp(&data, &before, sizeof data), 0);
}

TEST(ProjectJson, EveryFloatOfARandomRecordReadsBackAsItself) {
    std::mt19937 random(20261208);
    std::uniform_real_distribution<float> anyFloat(-1e6f, 1e6f);
    std::uniform_int_distribution<int> small(-3, 3);
    for (int round = 0; round < 20; ++round) {
        auto d = std::make_unique<ProjectData>();
        // Whole numbers, fractions, tiny and huge values, and the odd non-number.
        const auto pick = [&]() -> float {
            switch (small(random)) {
            case -3:
                return static_cast<float>(small(random));
            case -2:
                return anyFloat(random) * 1e-30f;
            case -1:
                return anyFloat(random) * 1e30f;
            case 3:
                return std::numeric_limits<float>::quiet_NaN();
            default:
                return anyFloat(random);
            }
        };
        d->boxWidth = pick();
        d->lightAngle = pick();
        d->spotCutoff = pick();
        for (float& c : d->faceSlots[Back].specularColor) {
            c = pick();
        }
        d->faceSlots[Left].vertices[2].t = pick();

        const auto json = nlohmann::json::parse(projectToJson(*d));
        const auto same = [](const nlohmann::json& value, float expected) {
            return std::isnan(expected) ? value.is_null() : value.get<float>() == expected;
        };
        EXPECT_TRUE(same(json["boxWidth"], d->boxWidth)) << json["boxWidth"];
        EXPECT_TRUE(same(json["lightAngle"], d->lightAngle)) << json["lightAngle"];
        EXPECT_TRUE(same(json["spotCutoff"], d->spotCutoff)) << json["spotCutoff"];
        for (int i = 0; i < 4; ++i) {
            EXPECT_TRUE(same(json["faceSlots"][Back]["specularColor"][i],
                             d->faceSlots[Back].specularColor[static_cast<std::size_t>(i)]));
        }
        EXPECT_TRUE(
            same(json["faceSlots"][Left]["vertices"][2]["t"], d->faceSlots[Left].vertices[2].t));
    }
}

} // namespace
} // namespace cartonic
