#include "cli/option_values.h"
#include "cli/render_options.h"
#include "cli/usage_text.h"

#include <gtest/gtest.h>

#include <sstream>

namespace cartonic {
namespace {

TEST(RenderOptions, ParsesEveryOption) {
    const Result<RenderOptions> r = parseRenderOptions({"in.ctn",
                                                        "--box",
                                                        "1,2.5,50",
                                                        "--save",
                                                        "out.ctn",
                                                        "--print",
                                                        "-o",
                                                        "x.PNG",
                                                        "--size",
                                                        "2047x1",
                                                        "--quality",
                                                        "35",
                                                        "--face",
                                                        "front=f.png",
                                                        "--face",
                                                        "LEFT=a=b.jpg",
                                                        "--floor",
                                                        "floor.bmp",
                                                        "--orientation",
                                                        "back=4",
                                                        "--fov",
                                                        "20",
                                                        "--yaw",
                                                        "-0.5",
                                                        "--pitch",
                                                        "+0.25",
                                                        "--zoom",
                                                        "-3",
                                                        "--samples",
                                                        "16",
                                                        "--transparent",
                                                        "--preset",
                                                        "paperback",
                                                        "--dieline",
                                                        "net.png",
                                                        "--dieline-layout",
                                                        "row",
                                                        "--glue-flap",
                                                        "12"});
    ASSERT_EQ(r.status.message(), "");
    const RenderOptions& o = r.value;
    EXPECT_EQ(o.project, "in.ctn");
    EXPECT_EQ(o.box, (std::array<float, 3>{1.0f, 2.5f, 50.0f}));
    EXPECT_EQ(o.save, "out.ctn");
    EXPECT_TRUE(o.print);
    EXPECT_EQ(o.output, "x.PNG");
    EXPECT_EQ(o.outputFormat, PictureFormat::Png);
    EXPECT_EQ(o.width, 2047);
    EXPECT_EQ(o.height, 1);
    EXPECT_EQ(o.quality, 35);
    // In slot order whatever the order given; the path is everything after the first '='.
    EXPECT_EQ(o.pictures, (std::vector<PictureChoice>{
                              {Front, "f.png"}, {Left, "a=b.jpg"}, {kFloorSlot, "floor.bmp"}}));
    EXPECT_EQ(o.orientations[Back], Turn180);
    EXPECT_FALSE(o.orientations[Front]);
    EXPECT_EQ(o.fov, 20.0f);
    EXPECT_EQ(o.yaw, -0.5f);
    EXPECT_EQ(o.pitch, 0.25f);
    EXPECT_EQ(o.zoom, -3.0f);
    EXPECT_EQ(o.samples, 16);
    EXPECT_TRUE(o.transparent);
    EXPECT_FALSE(o.help);
    EXPECT_EQ(o.preset, "paperback");
    EXPECT_EQ(o.dieline, "net.png");
    EXPECT_EQ(o.dielineLayout, DielineLayout::Row);
    EXPECT_EQ(o.glueFlap, 12);

    const RenderOptions defaults = parseRenderOptions({}).value;
    EXPECT_FALSE(defaults.project);
    EXPECT_EQ(defaults.width, kDefaultRenderWidth);
    EXPECT_EQ(defaults.height, kDefaultRenderHeight);
    EXPECT_EQ(defaults.quality, kExportJpegQuality);
    EXPECT_TRUE(defaults.pictures.empty());
    EXPECT_FALSE(defaults.fov || defaults.yaw || defaults.pitch || defaults.zoom);
    EXPECT_EQ(defaults.samples, kSmoothSamples);
    EXPECT_FALSE(defaults.transparent);
}

TEST(RenderOptions, LaterChoicesAndInlineValues) {
    // The later picture for a face wins; face names take any case; --name=value works.
    const Result<RenderOptions> r =
        parseRenderOptions({"--face=Top=a.png", "--face", "tOp=b.png", "--size=8192x8192",
                            "--output=o.jpeg", "--", "-odd.ctn"});
    ASSERT_EQ(r.status.message(), "");
    EXPECT_EQ(r.value.pictures, (std::vector<PictureChoice>{{Top, "b.png"}}));
    EXPECT_EQ(r.value.width, kMaxRenderSide);
    EXPECT_EQ(r.value.outputFormat, PictureFormat::Jpeg);
    EXPECT_EQ(r.value.project, "-odd.ctn"); // after "--" nothing is an option

    for (std::string_view name : kFaceNames) {
        EXPECT_EQ(kFaceNames[faceSlotForName(name)], name);
    }
    EXPECT_EQ(faceSlotForName("FRONT"), Front);
    EXPECT_EQ(faceSlotForName("Fron"), -1);
    EXPECT_EQ(faceSlotForName(""), -1);
}

TEST(RenderOptions, FormatIsTheOptionsOrTheNamesAndPngOnStandardOutput) {
    struct Case {
        std::vector<std::string> args;
        PictureFormat format;
    };
    for (const Case& c : std::vector<Case>{
             {{"-o", "-"}, PictureFormat::Png},
             {{"-o", "-", "--format", "jpeg"}, PictureFormat::Jpeg},
             {{"--format=jpg", "--output=-"}, PictureFormat::Jpeg},
             {{"-o", "shot.img", "--format", "png"}, PictureFormat::Png},
             {{"-o", "shot.JPG", "--format", "jpeg"}, PictureFormat::Jpeg},
             {{"-o", "shot.png"}, PictureFormat::Png},
         }) {
        const Result<RenderOptions> r = parseRenderOptions(c.args);
        EXPECT_EQ(r.status.message(), "") << ::testing::PrintToString(c.args);
        EXPECT_EQ(r.value.outputFormat, c.format) << ::testing::PrintToString(c.args);
    }
    EXPECT_TRUE(parseRenderOptions({"-o", "-"}).value.pictureToStandardOutput());
    EXPECT_FALSE(parseRenderOptions({"-o", "./-"}).value.pictureToStandardOutput());
}

TEST(RenderOptions, AGlbNameOrFormatAsksForTheModel) {
    for (const auto& args : std::vector<std::vector<std::string>>{
             {"-o", "box.glb"},
             {"-o", "box.GLB", "--format", "glb"},
             {"-o", "box.3d", "--format", "glb"},
             {"--format", "png", "--format", "glb", "-o", "box"},
         }) {
        const Result<RenderOptions> r = parseRenderOptions(args);
        EXPECT_EQ(r.status.message(), "") << ::testing::PrintToString(args);
        EXPECT_TRUE(r.value.model) << ::testing::PrintToString(args);
    }
    EXPECT_FALSE(parseRenderOptions({"--format", "glb", "--format", "png", "-o", "a"}).value.model);
    EXPECT_FALSE(parseRenderOptions({"-o", "box.glb.png"}).value.model);
}

TEST(RenderOptions, ANumberTooSmallForItsTypeIsNearZeroNotRefused) {
    for (const char* tiny : {"1e-320", "1e-50", "-1e-320"}) {
        const Result<RenderOptions> r = parseRenderOptions({"--shadow-softness", tiny});
        ASSERT_TRUE(r) << tiny << ": " << r.status.message();
        EXPECT_NEAR(*r.value.shadowSoftness, 0.0f, 1e-30f) << tiny;
    }
}

TEST(RenderOptions, RejectsMalformedValuesNamingTheOption) {
    const std::string longPath(kMaxStoredPath + 1, 'p');
    struct Case {
        std::vector<std::string> args;
        std::string mentions;
    };
    for (const Case& c : std::vector<Case>{
             {{"--box"}, "--box needs a value"},
             {{"--box", "1,2"}, "--box"},
             {{"--box", "1,2,3,4"}, "--box"},
             {{"--box", "0,1,1"}, "--box"},
             {{"--box", "1,1,50.5"}, "--box"},
             {{"--box", "1,nan,1"}, "--box"},
             {{"--box", "1,,1"}, "--box"},
             {{"--size", "0x10"}, "--size"},
             {{"--size", "8193x10"}, "--size"},
             {{"--size", "10"}, "--size"},
             {{"--size", "10x"}, "--size"},
             {{"--size", "-5x10"}, "--size"},
             {{"-o", "shot.gif"}, "-o"},
             {{"-o", "shot"}, "-o"},
             {{"-o", "dir.png/shot"}, "-o"},
             {{"-o", "shot", "--format", "gif"}, "--format wants png, jpeg or glb"},
             {{"-o", "box.glb", "--format", "png"}, "--format png does not match -o box.glb"},
             {{"-o", "box.png", "--format", "glb"}, "--format glb does not match -o box.png"},
             {{"-o", "-", "--format", "glb"}, "--format glb writes a 3D model to a file"},
             {{"--transparent", "-o", "box.glb"}, "--transparent: a transparent picture needs PNG"},
             {{"-o", "shot.jpg", "--format", "png"}, "--format png does not match -o shot.jpg"},
             {{"--print", "-o", "-"}, "--print and -o - both write to standard output"},
             {{"--quality", "0"}, "--quality"},
             {{"--quality", "101"}, "--quality"},
             {{"--quality", "high"}, "--quality"},
             {{"--samples", "3"}, "--samples wants 1, 2, 4, 8, 16, 32 or 64: 3"},
             {{"--samples", "0"}, "--samples"},
             {{"--samples", "128"}, "--samples"},
             {{"--samples", "4x"}, "--samples"},
             {{"--transparent", "-o", "shot.jpg"},
              "--transparent: a transparent picture needs PNG"},
             {{"--transparent", "-o", "-", "--format", "jpeg"}, "no transparency"},
             {{"--transparent"}, "--transparent needs"},
             {{"--transparent=yes", "-o", "a.png"}, "--transparent takes no value"},
             {{"--face", "front"}, "--face"},
             {{"--face", "front="}, "--face"},
             {{"--face", "side=x.png"}, "--face"},
             {{"--face", "front=" + longPath}, "--face"},
             {{"--floor", ""}, "--floor"},
             {{"--orientation", "front=6"}, "--orientation"},
             {{"--orientation", "front=-1"}, "--orientation"},
             {{"--orientation", "front"}, "--orientation"},
             {{"--orientation", "floor=1"}, "--orientation"},
             {{"--fov", "19.9"}, "--fov"},
             {{"--fov", "75.5"}, "--fov"},
             {{"--yaw", "inf"}, "--yaw"},
             {{"--pitch", "1rad"}, "--pitch"},
             {{"--zoom", ""}, "--zoom"},
             {{"--print=yes"}, "--print takes no value"},
             {{"--shadow-softness", "1.01"}, "--shadow-softness wants a number from 0 to 1"},
             {{"--reflection-fade", "-0.1"}, "--reflection-fade wants a number from 0 to 1"},
             {{"--reflection-fade", "nan"}, "--reflection-fade wants"},
             {{"--embed-pictures"}, "--embed-pictures keeps the pictures inside a saved project"},
             {{"--extract-pictures", "d"},
              "--extract-pictures takes the pictures out of a project"},
             {{"--extract-pictures", "", "a.ctn"}, "--extract-pictures wants a folder"},
             {{"--frobnicate"}, "unknown option --frobnicate"},
             {{"--frobnicate", "x"}, "unknown option --frobnicate"},
             {{"--sizee", "3x3"}, "unknown option --sizee; did you mean --size?"},
             {{"--Quality=9"}, "did you mean --quality?"},
             {{"a.ctn", "b.ctn"}, "more than one project"},
             {{"--shard", "1/2"}, "--shard needs --batch"},
             {{"--quiet"}, "--quiet needs --batch"},
             {{"--batch", "j", "--size", "3x3"}, "--size belongs in a job of the batch"},
             {{"--batch", "j", "a.ctn"}, "a batch names its projects on its lines"},
             {{"--batch", ""}, "--batch wants"},
             {{"--batch", "j", "--shard", "3/2"}, "--shard wants K/N"},
             {{"--batch", "j", "--shard", "0/2"}, "--shard wants"},
             {{"--batch", "j", "--shard", "1"}, "--shard wants"},
             {{"--batch", "j", "--cache-mb", "-1"}, "--cache-mb wants"},
             {{"--preset", "DVD"}, "--preset wants one of dvd, blu-ray"},
             {{"--dieline", ""}, "--dieline wants"},
             {{"--dieline", "n.png", "--dieline-layout", "t"},
              "--dieline-layout wants cross or row"},
             {{"--dieline", "n.png", "--glue-flap", "-1"}, "--glue-flap wants"},
             {{"--glue-flap", "4"}, "--glue-flap is for a dieline: add --dieline FILE"},
             {{"--dieline-layout", "row"}, "--dieline-layout is for a dieline"},
             // A NUL byte would end the name early, so "a.ctn\0.png" would write a PNG on a.ctn.
             {{"-o", std::string("a.ctn\0.png", 10)}, "-o holds a NUL byte"},
             {{std::string("--face=front=a\0.png", 19)}, "--face holds a NUL byte"},
             {{std::string("a\0.ctn", 6), "--print"}, "the project's name holds a NUL byte"},
         }) {
        const Status refused = parseRenderOptions(c.args).status;
        EXPECT_EQ(refused.kind(), Status::Kind::Usage) << ::testing::PrintToString(c.args);
        EXPECT_NE(refused.message().find(c.mentions), std::string::npos)
            << ::testing::PrintToString(c.args) << " gave: " << refused.message();
    }
}

TEST(RenderOptions, TurntablesTakeTheirFormatFromTheName) {
    struct Case {
        std::vector<std::string> args;
        AnimationFormat animation;
        PictureFormat frames;
    };
    for (const Case& c : std::vector<Case>{
             {{"--turntable", "36", "-o", "spin.webp"}, AnimationFormat::WebP, PictureFormat::Jpeg},
             {{"--turntable=1", "-o", "SPIN.MP4"}, AnimationFormat::Mp4, PictureFormat::Jpeg},
             {{"--turntable", "3600", "-o", "f-%03d.png"},
              AnimationFormat::Frames,
              PictureFormat::Png},
             {{"--turntable", "2", "-o", "%d%%.JPG"}, AnimationFormat::Frames, PictureFormat::Jpeg},
             {{"--turntable", "2", "-o", "f%4d", "--format", "png", "--transparent"},
              AnimationFormat::Frames,
              PictureFormat::Png},
             {{"--turntable", "2", "-o", "t.webp", "--transparent"},
              AnimationFormat::WebP,
              PictureFormat::Jpeg},
         }) {
        const Result<RenderOptions> r = parseRenderOptions(c.args);
        const std::string label = ::testing::PrintToString(c.args);
        ASSERT_EQ(r.status.message(), "") << label;
        EXPECT_EQ(r.value.animationFormat, c.animation) << label;
        EXPECT_EQ(r.value.outputFormat, c.frames) << label;
    }
    const RenderOptions o = parseRenderOptions({"--turntable", "12", "--fps", "29.97", "-o",
                                                "a.webp", "--quality", "80"})
                                .value;
    EXPECT_EQ(o.turntable, 12);
    EXPECT_FLOAT_EQ(static_cast<float>(*o.fps), 29.97f);
    EXPECT_TRUE(o.qualityGiven);
    EXPECT_EQ(o.quality, 80);
    const RenderOptions defaults = parseRenderOptions({"-o", "a.png"}).value;
    EXPECT_FALSE(defaults.turntable || defaults.fps || defaults.qualityGiven);
}

TEST(RenderOptions, TurntableUsageErrors) {
    struct Case {
        std::vector<std::string> args;
        std::string message; // the whole message, or its start and end around "..."
    };
    for (const Case& c : std::vector<Case>{
             {{"--turntable", "0", "-o", "a.webp"},
              "--turntable wants a whole number from 1 to 3600: 0"},
             {{"--turntable", "3601", "-o", "a.webp"}, "--turntable wants a whole number..."},
             {{"--turntable", "2.5", "-o", "a.webp"}, "--turntable wants a whole number..."},
             {{"--turntable", "4"}, "--turntable needs -o..."},
             {{"--turntable", "4", "-o", "-"}, "--turntable cannot write to standard output..."},
             {{"--turntable", "4", "-o", "-", "--format", "png"},
              "--turntable cannot write to standard output..."},
             {{"-o", "spin.webp"}, "-o spin.webp is for a turntable: add --turntable N"},
             {{"-o", "spin.mp4"}, "-o spin.mp4 is for a turntable: add --turntable N"},
             {{"-o", "f%03d.png"}, "-o f%03d.png is for a turntable: add --turntable N"},
             {{"--turntable", "4", "-o", "one.png"}, "--turntable wants -o FILE.webp..."},
             {{"--turntable", "4", "-o", "f%s.png"}, "-o f%s.png: a frame number is..."},
             {{"--turntable", "4", "-o", "f%d-%d.png"},
              "-o f%d-%d.png: a frame name holds one frame number, not two"},
             {{"--turntable", "4", "-o", "f%-3d.png"}, "-o f%-3d.png: a frame number is..."},
             {{"--turntable", "4", "-o", "f%%.png"},
              "-o f%%.png: a frame name holds the frame number as %d, %4d or %04d"},
             {{"--turntable", "4", "-o", "f%d"}, "-o wants a file name ending in .jpg..."},
             {{"--turntable", "4", "-o", "f%d.jpg", "--format", "png"},
              "--format png does not match -o f%d.jpg"},
             {{"--turntable", "4", "-o", "a.webp", "--format", "png"},
              "--format is for pictures, not -o a.webp"},
             {{"--turntable", "4", "-o", "a.mp4", "--transparent"},
              "--transparent: a transparent..."},
             {{"--turntable", "4", "-o", "f%d.jpg", "--transparent"},
              "--transparent: a transparent..."},
             {{"--fps", "24", "-o", "a.png"}, "--fps is for a turntable: add --turntable N"},
             {{"--turntable", "4", "-o", "a.webp", "--fps", "0"},
              "--fps wants frames a second, more than 0 and at most 120: 0"},
             {{"--turntable", "4", "-o", "a.webp", "--fps", "-1"}, "--fps wants..."},
             {{"--turntable", "4", "-o", "a.webp", "--fps", "120.5"}, "--fps wants..."},
             {{"--turntable", "4", "-o", "a.webp", "--fps", "nan"}, "--fps wants..."},
             {{"--turntable", "3", "-o", "spin.webp", "--format", "glb"},
              "--turntable renders pictures, not a 3D model: -o names a .webp, a .mp4 or frame "
              "names such as frame-%03d.png"},
             {{"--turntable", "3", "-o", "spin.mp4", "--format", "glb"},
              "--turntable renders pictures, not a 3D model..."},
             {{"--turntable", "3", "-o", "frame-%d.glb"},
              "--turntable renders pictures, not a 3D model..."},
             {{"--turntable", "3", "-o", "frame-%d.png", "--format", "glb"},
              "--turntable renders pictures, not a 3D model..."},
             // Each format's slowest rate, checked before any frame is drawn.
             {{"--turntable", "2", "-o", "a.webp", "--fps", "0.00005"},
              "--fps: a WebP animation cannot last that long: a frame shows at most 16777.215 s, "
              "the whole at most 2147483.647 s, so 2 frames want at least 5.97e-05 frames a "
              "second"},
             {{"--turntable", "3600", "-o", "a.webp", "--fps", "0.001"},
              "--fps: a WebP animation cannot last that long: ..., so 3600 frames want at least "
              "0.00168 frames a second"},
             {{"--turntable", "2", "-o", "a.mp4", "--fps", "1e-9"},
              "--fps: an MP4 video has at least 0.01 frames a second (a frame every 100 s)"},
             {{"--turntable", "2", "-o", "a.mp4", "--fps", "0.0099"}, "--fps: an MP4 video..."},
         }) {
        const std::string error = parseRenderOptions(c.args).status.message();
        const std::string label = ::testing::PrintToString(c.args) + " gave: " + error;
        if (const auto gap = c.message.find("..."); gap != std::string::npos) {
            EXPECT_TRUE(error.starts_with(c.message.substr(0, gap)) &&
                        error.ends_with(c.message.substr(gap + 3)))
                << label;
        } else {
            EXPECT_EQ(error, c.message) << label;
        }
    }
    // 120 frames a second and a frame at most are fine; so is an odd WebP; so are the least
    // rates the messages above name, and any rate for pictures, which have none.
    for (const auto& args : std::vector<std::vector<std::string>>{
             {"--turntable", "1", "-o", "a.webp", "--fps", "120"},
             {"--turntable", "2", "-o", "a.webp", "--size", "33x25"},
             {"--turntable", "2", "-o", "a.webp", "--fps", "5.97e-05"},
             {"--turntable", "3600", "-o", "a.webp", "--fps", "0.00168"},
             {"--turntable", "2", "-o", "a.mp4", "--fps", "0.01"},
             {"--turntable", "2", "-o", "f%d.png", "--fps", "1e-9"},
         }) {
        EXPECT_EQ(parseRenderOptions(args).status.message(), "") << ::testing::PrintToString(args);
    }
}

TEST(RenderOptions, UsageNamesEveryOptionAndItsDefaults) {
    const std::string usage = renderUsage();
    for (const char* option : {"-o, --output",
                               "--format png|jpeg",
                               "--size WxH",
                               "--quality N",
                               "--face NAME=IMAGE",
                               "--floor IMAGE",
                               "--box W,D,H",
                               "--orientation NAME=N",
                               "--fov DEG",
                               "--yaw RAD",
                               "--pitch RAD",
                               "--zoom UNITS",
                               "--save OUT.ctn",
                               "--print",
                               "-h, --help",
                               "--samples N",
                               "--transparent",
                               "--batch FILE",
                               "--shard K/N",
                               "--cache-mb N",
                               "--quiet",
                               "--turntable N",
                               "--fps F",
                               "--shadow-softness S",
                               "--reflection-fade F",
                               "--embed-pictures",
                               "--extract-pictures DIR"}) {
        EXPECT_NE(usage.find(option), std::string::npos) << option;
    }
    for (const std::string& fact :
         {"default " + std::to_string(kExportJpegQuality),
          "default " + std::to_string(kDefaultRenderWidth) + "x" +
              std::to_string(kDefaultRenderHeight),
          "1 to " + std::to_string(kMaxRenderSide), std::string("20 to 75 degrees"),
          "(default " + std::to_string(kSmoothSamples) + ", as the application's export)",
          std::string("1 to 3600"), std::string("(default 24)"),
          (std::ostringstream() << "at least " << kMinVideoFps << " for a .mp4").str()}) {
        EXPECT_NE(usage.find(fact), std::string::npos) << fact;
    }
}

} // namespace
} // namespace cartonic
