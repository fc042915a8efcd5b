// The drawing program: where a program finds it, what comes back from it, and every way it can
// fail (crashed, killed, hung, gone, talking nonsense, over its memory, stopped by the wait),
// each one line, with the program ended and waited for.

#include "image/drawing_program.h"

#include "base/regular_file.h"
#include "support/child_processes.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <optional>

namespace cartonic {
namespace {

using test::TempDir;

constexpr FileBound kAnyDocument{std::int64_t{1} << 20, EmptyFile::Allowed};

void writeFile(const std::string& path, const std::string& text, bool program = false) {
    std::ofstream(path) << text;
    if (program) {
        std::filesystem::permissions(path, std::filesystem::perms::owner_all);
    }
}

// The document at path drawn within bounds, at its full size or at most most a side.
Status drawFile(const std::string& path, const DrawingBounds& bounds, QImage& picture, QSize& full,
                TextureSize most = {64, 64}) {
    FileDescriptor document;
    std::int64_t size = 0;
    if (Status opened = openRegularFile(path, kAnyDocument, document, &size); !opened) {
        return opened;
    }
    return drawInProgram(
        document.get(), VectorSource{path, VectorKind::Svg, 1, std::nullopt},
        [most](int width, int height) { return sizeWithin(width, height, most); }, bounds, picture,
        full);
}

TEST(DrawingProgram, FoundInstalledBesideTheProgramOrInTheBuildTree) {
    TempDir dir;
    for (const char* folder : {"prefix/bin", "prefix/libexec/cartonic", "build/tests/image",
                               "build/libexec/cartonic", "bare/bin"}) {
        std::filesystem::create_directories(dir.file(folder));
    }
    writeFile(dir.file("prefix/libexec/cartonic/cartonic-draw"), "", true);
    writeFile(dir.file("build/libexec/cartonic/cartonic-draw"), "", true);
    EXPECT_EQ(drawingProgramFor(dir.file("prefix/bin/cartonic")).value,
              dir.file("prefix/libexec/cartonic/cartonic-draw"));
    EXPECT_EQ(drawingProgramFor(dir.file("build/tests/image/image_tests")).value,
              dir.file("build/libexec/cartonic/cartonic-draw"));
    const Result<std::string> missing = drawingProgramFor(dir.file("bare/bin/cartonic"));
    EXPECT_EQ(missing.status.kind(), Status::Kind::Unavailable);
    EXPECT_EQ(missing.status.message(), "the drawing program is missing: it belongs at " +
                                            dir.file("bare/libexec/cartonic/cartonic-draw"));
}

TEST(DrawingProgram, HandsBackStraightOpaqueColoursAtTheSizeAsked) {
    TempDir dir;
    // Half-transparent red, which the drawing holds premultiplied.
    writeFile(dir.file("half.svg"), "<svg xmlns='http://www.w3.org/2000/svg' width='40' "
                                    "height='20'><rect width='40' height='20' fill='rgb(200,0,0)' "
                                    "fill-opacity='0.5'/></svg>");
    QImage picture;
    QSize full;
    const Status drawn = drawFile(dir.file("half.svg"), DrawingBounds{}, picture, full);
    ASSERT_TRUE(drawn) << drawn.message();
    EXPECT_EQ(full, QSize(kMaxVectorSide, kMaxVectorSide / 2));
    ASSERT_EQ(picture.size(), QSize(64, 64));
    ASSERT_EQ(picture.format(), QImage::Format_RGBX8888);
    const std::uint8_t* pixel = picture.constScanLine(10) + 10 * 4;
    EXPECT_NEAR(pixel[0], 200, 2);
    EXPECT_EQ(pixel[1], 0);
    EXPECT_EQ(pixel[3], 0xff);
    EXPECT_TRUE(test::childProcesses().empty());
}

// A wait that stops the drawing at its third call, counting what it hears.
struct StoppingWait : DrawingWait {
    int begun = 0;
    int waits = 0;
    int ends = 0;
    void began() override { ++begun; }
    bool waiting() override { return ++waits < 3; }
    void ended() override { ++ends; }
};

TEST(DrawingProgram, EachFailureIsOneLineAndLeavesNoProcess) {
    TempDir dir;
    writeFile(dir.file("drawing.svg"), "<svg xmlns='http://www.w3.org/2000/svg' width='20' "
                                       "height='10'><rect width='20' height='10'/></svg>");
    writeFile(dir.file("text.svg"), "this is no drawing");
    const auto script = [&](const std::string& name, const std::string& body) {
        writeFile(dir.file(name), "#!/bin/sh\n" + body + "\n", true);
        return dir.file(name);
    };
    struct Case {
        const char* what;
        std::string document;
        DrawingBounds bounds;
        Status::Kind kind;
        std::string says;
        // A wait that stops the drawing is installed; with a pause alive, when paused.
        enum { NoWait, Stopping, Paused } wait = NoWait;
    };
    const auto bounds = [](const std::string& program, int seconds = kMaxDrawingSeconds,
                           std::int64_t addressBytes = std::int64_t{1} << 30) {
        return DrawingBounds{{kMaxVectorSide, kMaxVectorSide}, addressBytes, seconds, program};
    };
    const std::string drawing = dir.file("drawing.svg");
    const std::vector<Case> cases = {
        {"crash", drawing, bounds(script("crash", "kill -SEGV $$")), Status::Kind::BadFormat,
         "the drawing program stopped: killed by signal 11 (Segmentation fault)"},
        {"killed", drawing, bounds(script("killed", "kill -KILL $$")), Status::Kind::BadFormat,
         "the drawing program stopped: killed by signal 9 (Killed)"},
        {"hang", drawing, bounds(script("hang", "exec sleep 60"), 1), Status::Kind::TooLarge,
         "the drawing program took more than 1 s", Case::Paused},
        {"exit", drawing, bounds(script("exit", "exit 3")), Status::Kind::Unavailable,
         "the drawing program stopped: exit status 3"},
        {"nonsense", drawing, bounds(script("nonsense", "head -c 64 /dev/zero >&3; exec sleep 60")),
         Status::Kind::Unavailable,
         "the drawing program answered with something else than a drawing"},
        {"missing", drawing, bounds(dir.file("missing")), Status::Kind::Unavailable,
         "cannot start the drawing program " + dir.file("missing") + ": " + errnoText(ENOENT)},
        {"cancel", drawing, bounds(script("slow", "exec sleep 60")), Status::Kind::Cancelled,
         "the drawing was cancelled", Case::Stopping},
        {"bad document", dir.file("text.svg"), bounds({}), Status::Kind::BadFormat,
         "not an SVG document that can be read"},
#if !defined(__SANITIZE_ADDRESS__)
        // The sanitizer turns running out of memory into a report and an abort of its own.
        {"over its memory", drawing, bounds({}, kMaxDrawingSeconds, std::int64_t{16} << 20),
         Status::Kind::TooLarge, "not enough memory to draw the document"},
#endif
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        StoppingWait wait;
        if (c.wait != Case::NoWait) {
            setDrawingWait(&wait);
        }
        std::optional<DrawingWaitPause> pause;
        if (c.wait == Case::Paused) {
            pause.emplace();
        }
        QImage picture;
        QSize full(3, 2);
        // At the document's full size, so that a drawing over its memory has to allocate it.
        const Status drawn =
            drawFile(c.document, c.bounds, picture, full, {kMaxVectorSide, kMaxVectorSide});
        pause.reset();
        setDrawingWait(nullptr);
        EXPECT_EQ(drawn.kind(), c.kind);
        EXPECT_EQ(drawn.message().rfind(c.says, 0), 0u) << drawn.message();
        EXPECT_EQ(drawn.message().find('\n'), std::string::npos);
        EXPECT_TRUE(picture.isNull());
        EXPECT_EQ(full, QSize(3, 2));
        EXPECT_TRUE(test::childProcesses().empty());
        EXPECT_EQ(wait.begun, c.wait == Case::Stopping ? 1 : 0);
        EXPECT_EQ(wait.waits, c.wait == Case::Stopping ? 3 : 0);
        EXPECT_EQ(wait.ends, wait.begun);
    }
}

} // namespace
} // namespace cartonic
