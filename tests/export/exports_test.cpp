#include "export/exports.h"

#include "render/headless_renderer.h"
#include "render/turntable_frames.h"
#include "support/headless_test.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace cartonic {
namespace {

// The rules either shell's request meets, one row each.
TEST(ExportRules, RequestsAreRefusedOrSettledAlikeForEveryShell) {
    EXPECT_TRUE(checkPicture({64, 48, PictureFormat::Png, kSmoothSamples, true}));
    EXPECT_EQ(checkPicture({64, 48, PictureFormat::Jpeg, kSmoothSamples, true}).kind(),
              Status::Kind::Usage);

    struct Case {
        AnimationFormat format;
        PictureFormat frames;
        int width, height, count;
        bool transparent;
        Status::Kind kind;
        int settledWidth, settledHeight; // after rounding
        bool noted;
    };
    const Case cases[] = {
        {AnimationFormat::Mp4, PictureFormat::Png, 641, 481, 4, false, Status::Kind::Ok, 640, 480,
         true},
        {AnimationFormat::Mp4, PictureFormat::Png, 640, 480, 4, false, Status::Kind::Ok, 640, 480,
         false},
        {AnimationFormat::Mp4, PictureFormat::Png, 1, 1, 4, false, Status::Kind::Ok, 2, 2, true},
        {AnimationFormat::Mp4, PictureFormat::Png, 64, 64, 4, true, Status::Kind::Usage, 64, 64,
         false},
        {AnimationFormat::WebP, PictureFormat::Png, 65, 33, 4, true, Status::Kind::Ok, 65, 33,
         false},
        {AnimationFormat::Frames, PictureFormat::Jpeg, 64, 64, 4, true, Status::Kind::Usage, 64, 64,
         false},
        {AnimationFormat::WebP, PictureFormat::Png, 64, 64, 0, false, Status::Kind::Usage, 64, 64,
         false},
        {AnimationFormat::WebP, PictureFormat::Png, 64, 64, kMaxTurntableFrames + 1, false,
         Status::Kind::Usage, 64, 64, false},
    };
    for (const Case& c : cases) {
        TurntableRequest request;
        request.animation.format = c.format;
        request.animation.frameFormat = c.frames;
        request.animation.width = c.width;
        request.animation.height = c.height;
        request.frames = c.count;
        request.transparent = c.transparent;
        std::string note;
        const Status settled = settleTurntable(request, &note);
        SCOPED_TRACE(::testing::Message() << c.width << " x " << c.height << ", " << c.count
                                          << " frames: " << settled.message());
        EXPECT_EQ(settled.kind(), c.kind);
        EXPECT_EQ(request.animation.width, c.settledWidth);
        EXPECT_EQ(request.animation.height, c.settledHeight);
        EXPECT_EQ(!note.empty(), c.noted) << note;
    }
}

class TurntableLoop : public test::HeadlessTest {
protected:
    void SetUp() override {
        HeadlessTest::SetUp();
        request_.animation.format = AnimationFormat::WebP;
        request_.animation.width = request_.animation.height = 16;
        request_.frames = 3;
        request_.samples = kAliasedSamples;
    }

    Status write(const std::string& path, const TurntableProgress& progress, bool* cancelled) {
        return writeTurntable(path, request_, project_, Camera::startUp(), exportPictures(project_),
                              drawInHeadless(*renderer_, project_), nullptr, "spin: ", progress,
                              cancelled);
    }

    TurntableRequest request_;
    test::TempDir dir_;
};

TEST_F(TurntableLoop, ReportsEachFrameAndACancelLeavesNoFile) {
    const std::string path = dir_.file("spin.webp");
    std::vector<int> told;
    bool cancelled = true;
    ASSERT_TRUE(write(
        path,
        [&](int done, int count) {
            told.push_back(done);
            return count == request_.frames;
        },
        &cancelled));
    EXPECT_FALSE(cancelled);
    EXPECT_EQ(told, (std::vector<int>{1, 2, 3}));
    EXPECT_TRUE(std::filesystem::exists(path));

    const std::string stopped = dir_.file("stopped.webp");
    EXPECT_TRUE(write(
        stopped, [](int done, int) { return done < 2; }, &cancelled));
    EXPECT_TRUE(cancelled);
    EXPECT_FALSE(std::filesystem::exists(stopped));
}

} // namespace
} // namespace cartonic
