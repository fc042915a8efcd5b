// Turntables: frame names, the writers of numbered frames, animated WebP and MP4 (read back with
// libwebp's decoder and ffprobe), what each leaves behind when it fails or is dropped, and the
// frames themselves going round the box.

#include "formats/animation_writer.h"
#include "formats/ffmpeg_video_writer.h"
#include "formats/frame_pattern.h"
#include "gl/offscreen_target.h"
#include "render/headless_renderer.h"
#include "render/scene_renderer.h"
#include "render/turntable_frames.h"
#include "support/animation_files.h"
#include "support/headless_test.h"
#include "support/temp_dir.h"

#include <QImage>
#include <QImageReader>

#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <set>

namespace cartonic {
namespace {

using test::TempDir;

constexpr int kWidth = 32;
constexpr int kHeight = 24;
constexpr int kFrames = 4;

// A frame of one colour, shade k of kFrames.
RgbaPicture solidFrame(int k, int width = kWidth, int height = kHeight) {
    RgbaPicture frame;
    frame.width = width;
    frame.height = height;
    for (int i = 0; i < width * height; ++i) {
        const auto shade = static_cast<std::uint8_t>(40 + 50 * k);
        frame.rgba.insert(frame.rgba.end(),
                          {shade, static_cast<std::uint8_t>(255 - shade), 90, 255});
    }
    return frame;
}

std::set<std::string> filesIn(const std::string& dir) {
    std::set<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(dir)) {
        names.insert(entry.path().filename().string());
    }
    return names;
}

AnimationSettings settingsFor(AnimationFormat format) {
    AnimationSettings settings;
    settings.format = format;
    settings.width = kWidth;
    settings.height = kHeight;
    return settings;
}

// Writes kFrames solid frames, through ffmpeg with patience when it is given; the reason of the
// first failure, or "".
std::string writeFrames(const std::string& path, const AnimationSettings& settings,
                        const FfmpegPatience* patience = nullptr) {
    auto opened =
        patience ? openFfmpegVideo(path, settings, *patience) : openAnimationWriter(path, settings);
    if (!opened) {
        return "open: " + opened.status.message();
    }
    AnimationWriter& writer = *opened.value;
    for (int k = 0; k < kFrames; ++k) {
        if (const Status added = writer.addFrame(solidFrame(k, settings.width, settings.height));
            !added) {
            return "frame: " + added.message();
        }
    }
    const Status finished = writer.finish();
    return finished ? std::string() : "finish: " + finished.message();
}

// Runs with PATH set to path, then puts it back.
class PathFor {
public:
    explicit PathFor(const std::string& path) {
        const char* old = std::getenv("PATH");
        old_ = old ? old : "";
        ::setenv("PATH", path.c_str(), 1);
    }
    ~PathFor() { ::setenv("PATH", old_.c_str(), 1); }

private:
    std::string old_;
};

TEST(FramePattern, NamesFramesAsPrintfWouldAndRefusesTheRest) {
    struct Named {
        const char* pattern;
        int index;
        const char* name;
    };
    for (const Named& c : std::vector<Named>{{"frame-%03d.png", 7, "frame-007.png"},
                                             {"f%d.jpg", 123, "f123.jpg"},
                                             {"f%2d.png", 5, "f 5.png"},
                                             {"%04i", 3600, "3600"},
                                             {"%02u-%%.png", 123, "123-%.png"},
                                             {"100%%/%d%%", 0, "100%/0%"}}) {
        const auto pattern = FramePattern::parse(c.pattern);
        ASSERT_TRUE(pattern) << c.pattern;
        EXPECT_EQ(pattern.value.name(c.index), c.name) << c.pattern;
    }
    struct Refused {
        const char* pattern;
        const char* mentions;
    };
    for (const Refused& c : std::vector<Refused>{{"frame.png", "holds the frame number"},
                                                 {"%%d.png", "holds the frame number"},
                                                 {"%d-%d.png", "not two"},
                                                 {"%s.png", "not %s"},
                                                 {"%-3d.png", "not %-"},
                                                 {"%ld.png", "not %l"},
                                                 {"%x.png", "not %x"},
                                                 {"%.3d.png", "not %."},
                                                 {"%5", "not %5"},
                                                 {"frame%", "not %"},
                                                 {"%021d", "at most 20"},
                                                 {"%123456789012d", "at most 20"}}) {
        const Status refused = FramePattern::parse(c.pattern).status;
        EXPECT_EQ(refused.kind(), Status::Kind::Usage) << c.pattern;
        EXPECT_NE(refused.message().find(c.mentions), std::string::npos)
            << c.pattern << ": " << refused.message();
    }
}

TEST(AnimationFormat, FollowsTheExtensionAndVideosWantEvenSides) {
    EXPECT_EQ(animationFormatForPath("a/spin.webp"), AnimationFormat::WebP);
    EXPECT_EQ(animationFormatForPath("SPIN.WebP"), AnimationFormat::WebP);
    EXPECT_EQ(animationFormatForPath("spin.Mp4"), AnimationFormat::Mp4);
    EXPECT_FALSE(animationFormatForPath("spin.png"));
    EXPECT_FALSE(animationFormatForPath("x.mp4/spin"));
    EXPECT_TRUE(animationSizeFits(AnimationFormat::Mp4, 32, 24));
    EXPECT_TRUE(animationSizeFits(AnimationFormat::WebP, 33, 25));
    const Status odd = animationSizeFits(AnimationFormat::Mp4, 33, 24);
    EXPECT_EQ(odd.kind(), Status::Kind::Usage);
    EXPECT_NE(odd.message().find("even width and height, not 33x24"), std::string::npos)
        << odd.message();
    EXPECT_FALSE(animationSizeFits(AnimationFormat::Mp4, 32, 1));
}

TEST(AnimationWriter, NumberedFramesArePicturesOfTheirFormat) {
    TempDir dir;
    for (const auto& [pattern, format, type] :
         {std::tuple{"a-%02d.png", PictureFormat::Png, "png"},
          std::tuple{"b%d.jpg", PictureFormat::Jpeg, "jpeg"}}) {
        AnimationSettings settings = settingsFor(AnimationFormat::Frames);
        settings.frameFormat = format;
        ASSERT_EQ(writeFrames(dir.file(pattern), settings), "");
        for (int k = 0; k < kFrames; ++k) {
            const std::string name = dir.file(FramePattern::parse(pattern).value.name(k));
            QImageReader reader(QString::fromStdString(name));
            reader.setDecideFormatFromContent(true);
            EXPECT_EQ(reader.format().toStdString(), type) << name;
            EXPECT_EQ(reader.size(), QSize(kWidth, kHeight)) << name;
        }
    }
    EXPECT_EQ(filesIn(dir.path()).size(), 2u * kFrames);
}

TEST(AnimationWriter, WebPIsALoopingAnimationOfEveryFrameAtTheRate) {
    TempDir dir;
    AnimationSettings settings = settingsFor(AnimationFormat::WebP);
    settings.fps = 30;
    ASSERT_EQ(writeFrames(dir.file("spin.webp"), settings), "");
    const test::DecodedAnimation decoded = test::decodeWebPAnimation(dir.file("spin.webp"));
    ASSERT_TRUE(decoded.ok);
    EXPECT_EQ(decoded.width, kWidth);
    EXPECT_EQ(decoded.height, kHeight);
    EXPECT_EQ(decoded.loopCount, 0); // for ever
    // Each frame ends at its exact time rounded to the millisecond: 33.3, 66.7, 100, 133.3.
    EXPECT_EQ(decoded.timestamps, (std::vector<int>{33, 67, 100, 133}));
    ASSERT_EQ(decoded.rgba.size(), static_cast<std::size_t>(kFrames));
    // Lossless unless asked: every frame is its pixels exactly.
    for (int k = 0; k < kFrames; ++k) {
        EXPECT_EQ(decoded.rgba[k], solidFrame(k).rgba) << k;
    }

    settings.lossy = true;
    settings.quality = 50;
    ASSERT_EQ(writeFrames(dir.file("lossy.webp"), settings), "");
    const test::DecodedAnimation lossy = test::decodeWebPAnimation(dir.file("lossy.webp"));
    ASSERT_TRUE(lossy.ok);
    EXPECT_EQ(lossy.rgba.size(), static_cast<std::size_t>(kFrames));
    // The lossy encoder's files say VP8 (lossy), the lossless one's VP8L.
    const std::vector<char> lossyBytes = test::readBytes(dir.file("lossy.webp"));
    const std::vector<char> losslessBytes = test::readBytes(dir.file("spin.webp"));
    const auto holds = [](const std::vector<char>& bytes, const std::string& tag) {
        return std::search(bytes.begin(), bytes.end(), tag.begin(), tag.end()) != bytes.end();
    };
    EXPECT_TRUE(holds(lossyBytes, "VP8 "));
    EXPECT_FALSE(holds(losslessBytes, "VP8 "));
    EXPECT_TRUE(holds(losslessBytes, "VP8L"));
}

TEST(AnimationWriter, TransparentWebPFramesKeepTheirAlpha) {
    TempDir dir;
    RgbaPicture frame = solidFrame(0);
    frame.transparent = true;
    for (std::size_t i = 3; i < frame.rgba.size(); i += 8) {
        frame.rgba[i] = 0; // every other pixel see-through
    }
    auto writer = openAnimationWriter(dir.file("t.webp"), settingsFor(AnimationFormat::WebP));
    ASSERT_TRUE(writer) << writer.status.message();
    ASSERT_TRUE(writer.value->addFrame(frame));
    ASSERT_TRUE(writer.value->finish());
    const test::DecodedAnimation decoded = test::decodeWebPAnimation(dir.file("t.webp"));
    ASSERT_EQ(decoded.rgba.size(), 1u);
    EXPECT_EQ(decoded.rgba[0][3], 0);
    EXPECT_EQ(decoded.rgba[0][7], 255);
}

TEST(AnimationWriter, Mp4IsAnH264VideoOfEveryFrame) {
    const auto ffprobe = findProgram("ffprobe");
    if (!findProgram(kFfmpegProgram) || !ffprobe) {
        GTEST_SKIP() << "ffmpeg is not installed";
    }
    TempDir dir;
    // Through a symbolic link, as pictures are: the file it leads to is replaced.
    test::writeBytes(dir.file("real.mp4"), {'o', 'l', 'd'});
    std::filesystem::create_symlink("real.mp4", dir.file("spin.mp4"));
    ASSERT_EQ(writeFrames(dir.file("spin.mp4"), settingsFor(AnimationFormat::Mp4)), "");
    EXPECT_TRUE(std::filesystem::is_symlink(dir.file("spin.mp4")));
    EXPECT_EQ(test::firstBoxType(dir.file("real.mp4")), "ftyp");
    const test::VideoFacts facts = test::probeVideo(*ffprobe, dir.file("real.mp4"));
    EXPECT_EQ(facts.codec, "h264");
    EXPECT_EQ(facts.pixelFormat, "yuv420p");
    EXPECT_EQ(facts.width, kWidth);
    EXPECT_EQ(facts.height, kHeight);
    EXPECT_EQ(facts.frames, kFrames);
    EXPECT_EQ(filesIn(dir.path()), (std::set<std::string>{"real.mp4", "spin.mp4"}));
}

TEST(AnimationWriter, FailuresAndDroppedWritersLeaveNoFile) {
    TempDir dir;
    std::filesystem::create_directory(dir.file("folder.webp"));
    test::writeBytes(dir.file("old.webp"), {'o', 'l', 'd'});
    test::writeBytes(dir.file("old.mp4"), {'o', 'l', 'd'});
    const std::set<std::string> before = filesIn(dir.path());
    // What is not a file is never replaced; a missing folder has nothing to write into.
    Status refused =
        openAnimationWriter(dir.file("folder.webp"), settingsFor(AnimationFormat::WebP)).status;
    EXPECT_EQ(refused.kind(), Status::Kind::WriteFailed);
    EXPECT_NE(refused.message().find("not a file"), std::string::npos) << refused.message();
    EXPECT_FALSE(openAnimationWriter(dir.file("no/such.webp"), settingsFor(AnimationFormat::WebP)));
    AnimationSettings odd = settingsFor(AnimationFormat::Mp4);
    odd.width = 33;
    refused = openAnimationWriter(dir.file("odd.mp4"), odd).status;
    EXPECT_EQ(refused.kind(), Status::Kind::Usage);
    EXPECT_NE(refused.message().find("even"), std::string::npos) << refused.message();

    // Dropped part-way, as a cancelled export drops it: the old file stays as it was.
    std::vector<AnimationFormat> formats = {AnimationFormat::WebP};
    if (findProgram(kFfmpegProgram)) {
        formats.push_back(AnimationFormat::Mp4);
    }
    for (AnimationFormat format : formats) {
        const std::string name = format == AnimationFormat::WebP ? "old.webp" : "old.mp4";
        auto writer = openAnimationWriter(dir.file(name), settingsFor(format));
        ASSERT_TRUE(writer) << writer.status.message();
        ASSERT_TRUE(writer.value->addFrame(solidFrame(0)));
        EXPECT_FALSE(writer.value->addFrame(solidFrame(0, kWidth, kHeight + 2)));
        writer.value.reset();
        EXPECT_EQ(test::readBytes(dir.file(name)), (std::vector<char>{'o', 'l', 'd'})) << name;
    }
    {
        auto writer = openAnimationWriter(dir.file("old.webp"), settingsFor(AnimationFormat::WebP));
        ASSERT_TRUE(writer);
        const Status finished = writer.value->finish(); // no frame
        EXPECT_NE(finished.message().find("needs a frame"), std::string::npos)
            << finished.message();
    }
    {
        // A frame every 25 days runs past the format's clock at the first frame's end.
        AnimationSettings slow = settingsFor(AnimationFormat::WebP);
        slow.fps = 1.0 / (25.0 * 24 * 3600);
        auto writer = openAnimationWriter(dir.file("old.webp"), slow);
        ASSERT_TRUE(writer);
        const Status added = writer.value->addFrame(solidFrame(0));
        EXPECT_NE(added.message().find("cannot last that long"), std::string::npos)
            << added.message();
    }
    EXPECT_EQ(filesIn(dir.path()), before);
}

TEST(AnimationWriter, Mp4WithoutAWorkingFfmpegSaysWhyInOneLine) {
    TempDir dir;
    const std::set<std::string> before = filesIn(dir.path());
    Status missing;
    {
        const PathFor empty(dir.path());
        missing =
            openAnimationWriter(dir.file("spin.mp4"), settingsFor(AnimationFormat::Mp4)).status;
    }
    EXPECT_EQ(missing.kind(), Status::Kind::Unavailable);
    const std::string& why = missing.message();
    EXPECT_EQ(why.rfind("ffmpeg is not on PATH", 0), 0u) << why;
    EXPECT_EQ(why.find('\n'), std::string::npos);

    // An ffmpeg that fails: its last line is the reason, and no video is left.
    TempDir bin;
    test::writeBytes(bin.file("ffmpeg"), [] {
        const std::string script = "#!/bin/sh\necho 'first line' >&2\n"
                                   "echo 'Unknown encoder libx264' >&2\nexit 1\n";
        return std::vector<char>(script.begin(), script.end());
    }());
    std::filesystem::permissions(bin.file("ffmpeg"), std::filesystem::perms::owner_all);
    std::string reason;
    {
        const PathFor fake(bin.path());
        reason = writeFrames(dir.file("spin.mp4"), settingsFor(AnimationFormat::Mp4));
    }
    EXPECT_NE(reason.find("ffmpeg "), std::string::npos) << reason;
    EXPECT_NE(reason.find(": Unknown encoder libx264"), std::string::npos) << reason;
    EXPECT_EQ(reason.find('\n'), std::string::npos) << reason;
    EXPECT_EQ(filesIn(dir.path()), before);
}

// An ffmpeg that ends well having written nothing, or something else, or that hangs before or
// after the last frame, and is then stopped: the old video stays, and the reason is one line.
TEST(AnimationWriter, AMisbehavingFfmpegIsNotTrusted) {
    TempDir dir;
    TempDir bin;
    const std::string video = dir.file("spin.mp4");
    test::writeBytes(video, {'o', 'l', 'd'});
    // A frame larger than the channel to ffmpeg holds waits until ffmpeg reads it.
    constexpr int kLarge = 1024;
    constexpr auto kNever = std::chrono::minutes(1);
    constexpr auto kSoon = std::chrono::milliseconds(200);
    struct Case {
        const char* script;
        int side;
        std::chrono::milliseconds allowance;
        const char* reason;
    };
    for (const Case& c : std::vector<Case>{
             {"cat >/dev/null", kWidth, kNever, "finish: ffmpeg ended well but wrote no video"},
             {"cat >/dev/null; printf 'not a video' >&3", kWidth, kNever,
              "finish: ffmpeg ended well but wrote something that is not an MP4 video"},
             {"cat >/dev/null; sleep 60", kWidth, kSoon,
              "finish: ffmpeg did not finish the video within 0.2 s and was stopped"},
             {"sleep 60", kLarge, kSoon, "frame: ffmpeg took no frame for 0.2 s and was stopped"},
         }) {
        const std::string script = std::string("#!/bin/sh\n") + c.script + "\n";
        test::writeBytes(bin.file("ffmpeg"), std::vector<char>(script.begin(), script.end()));
        std::filesystem::permissions(bin.file("ffmpeg"), std::filesystem::perms::owner_all);
        AnimationSettings settings = settingsFor(AnimationFormat::Mp4);
        settings.width = settings.height = c.side;
        const FfmpegPatience patience{c.allowance, std::chrono::nanoseconds(0)};
        std::string reason;
        {
            const PathFor fake(bin.path() + ":" + std::getenv("PATH"));
            reason = writeFrames(video, settings, &patience);
        }
        EXPECT_EQ(reason, c.reason) << c.script;
        EXPECT_EQ(test::readBytes(video), (std::vector<char>{'o', 'l', 'd'})) << c.script;
        EXPECT_EQ(filesIn(dir.path()), std::set<std::string>{"spin.mp4"}) << c.script;
    }
}

TEST(AnimationWriter, FindsProgramsOnPathAsTheShellDoes) {
    TempDir dir;
    test::writeBytes(dir.file("tool"), {'#', '!'});
    test::writeBytes(dir.file("plain"), {'x'});
    std::filesystem::permissions(dir.file("tool"), std::filesystem::perms::owner_all);
    std::filesystem::create_directory(dir.file("folder"));
    const PathFor path("/nonexistent:" + dir.path());
    EXPECT_EQ(findProgram("tool"), dir.file("tool"));
    EXPECT_FALSE(findProgram("plain"));  // not executable
    EXPECT_FALSE(findProgram("folder")); // not a file
    EXPECT_FALSE(findProgram("missing"));
    EXPECT_EQ(findProgram(dir.file("tool")), dir.file("tool"));
}

class TurntableTest : public test::HeadlessTest {
protected:
    void SetUp() override {
        HeadlessTest::SetUp();
        start_ = Camera::startUp();
        start_.setViewSize(kWidth, kHeight);
    }

    Camera start_;
};

TEST_F(TurntableTest, CamerasGoRoundTheBoxEvenly) {
    const auto eyeDistance = [](const Camera& a, const Camera& b) {
        return std::hypot(a.eye[0] - b.eye[0], a.eye[1] - b.eye[1], a.eye[2] - b.eye[2]);
    };
    EXPECT_EQ(turntableCamera(start_, 0, 4).eye, start_.eye);
    // A quarter turn takes (9, -9) to (9, 9) counter-clockwise seen from above; height stays.
    const Camera quarter = turntableCamera(start_, 1, 4);
    EXPECT_NEAR(quarter.eye[0], 9.0f, 1e-4f);
    EXPECT_NEAR(quarter.eye[1], 9.0f, 1e-4f);
    EXPECT_NEAR(quarter.eye[2], start_.eye[2], 1e-4f);
    EXPECT_EQ(quarter.target, start_.target);
    EXPECT_LT(eyeDistance(turntableCamera(start_, 4, 4), start_), 1e-4);
    EXPECT_NEAR(eyeDistance(turntableCamera(start_, 1, 36), start_),
                eyeDistance(turntableCamera(start_, 2, 36), turntableCamera(start_, 1, 36)), 1e-4);
}

TEST_F(TurntableTest, FramesTurnFromTheStartCamera) {
    RgbaPicture still;
    ASSERT_TRUE(renderer_->render(data_, images_, start_, kWidth, kHeight, still));
    ASSERT_TRUE(renderer_->makeCurrent());
    TurntableFrames frames(data_, renderer_->textures(data_, images_), start_, kFrames, kWidth,
                           kHeight, RenderSettings{});
    ASSERT_EQ(frames.count(), kFrames);
    std::vector<RgbaPicture> drawn(kFrames);
    for (int k = 0; k < kFrames; ++k) {
        ASSERT_TRUE(frames.render(k, drawn[k]));
        EXPECT_EQ(drawn[k].width, kWidth);
        EXPECT_EQ(drawn[k].height, kHeight);
    }
    EXPECT_EQ(drawn[0].rgba, still.rgba); // the first frame is the picture the options give
    EXPECT_NE(drawn[kFrames / 2].rgba, drawn[0].rgba);
}

TEST_F(TurntableTest, FramesLeaveTheLightMarkerOut) {
    // The view shows the light's red cube from the cameras that face the light; no frame does.
    constexpr int kW = 96;
    constexpr int kH = 72;
    constexpr int kCount = 8;
    const auto redPixels = [](const std::vector<std::uint8_t>& rgba) {
        int n = 0;
        for (std::size_t i = 0; i < rgba.size(); i += 4) {
            n += rgba[i] > 200 && rgba[i + 1] < 60 && rgba[i + 2] < 60;
        }
        return n;
    };
    start_.setViewSize(kW, kH);
    ASSERT_TRUE(renderer_->makeCurrent());
    const SceneTextures textures = renderer_->textures(data_, images_);
    TurntableFrames frames(data_, textures, start_, kCount, kW, kH,
                           RenderSettings{kAliasedSamples});
    int facing = 0;
    for (int k = 0; k < kCount; ++k) {
        auto view = gl::OffscreenTarget::create(kW, kH).value;
        ASSERT_TRUE(view);
        turntableCamera(start_, k, kCount).applyProjection();
        drawFrame(data_, textures);
        facing += redPixels(view->readRgba()) > 0 ? 1 : 0;
        view.reset();
        RgbaPicture frame;
        ASSERT_TRUE(frames.render(k, frame));
        EXPECT_EQ(redPixels(frame.rgba), 0) << "frame " << k;
    }
    EXPECT_GT(facing, 0) << "no camera faces the light";
}

} // namespace
} // namespace cartonic
