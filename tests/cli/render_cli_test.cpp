// End-to-end tests of the built cartonic-render binary: what it writes, what it prints and how
// it fails. Every run here has no display: the variables that would name one are cleared.

#include "camera/camera.h"
#include "cli/render_options.h"
#include "formats/ffmpeg_video_writer.h"
#include "model/project_file.h"
#include "support/animation_files.h"
#include "support/run_process.h"
#include "support/temp_dir.h"
#include "support/vector_documents.h"

#include <QDir>
#include <QImage>
#include <QImageReader>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>

#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <set>
#include <unistd.h>

namespace cartonic {
namespace {

using test::ProcessResult;
using test::runProcess;
using test::TempDir;

const std::string kBin = CARTONIC_RENDER_BIN;

[[maybe_unused]] const bool kNoDisplay = [] {
    qunsetenv("DISPLAY");
    qunsetenv("WAYLAND_DISPLAY");
    return true;
}();

constexpr int kProbeWidth = 400;
constexpr int kProbeHeight = 300;
const std::string kProbeSize = "400x300";

// Centres of the start-up box's faces in world units (box scales 2.5, 1.25, 5).
constexpr Vec3 kFrontCentre = {0.0f, -kStartBoxDepth, kStartBoxHeight};
constexpr Vec3 kBackCentre = {0.0f, kStartBoxDepth, kStartBoxHeight};
constexpr Vec3 kLeftCentre = {kStartBoxWidth, 0.0f, kStartBoxHeight};
constexpr Vec3 kTopCentre = {0.0f, 0.0f, 2.0f * kStartBoxHeight};

QImage readPicture(const std::string& path) {
    return QImage(QString::fromStdString(path));
}

// The one pure colour a lit picture of one pure colour still shows. The light is white and the
// materials grey, so lighting only changes the brightness: 'r', 'g', 'b', 'y' (red and green),
// 'm' (red and blue), 'c' (green and blue), 'w'; '?' when too dark to tell.
char hue(QRgb c) {
    const int m = std::max({qRed(c), qGreen(c), qBlue(c)});
    if (m < 40) {
        return '?';
    }
    const int bits =
        (qRed(c) * 2 > m ? 1 : 0) | (qGreen(c) * 2 > m ? 2 : 0) | (qBlue(c) * 2 > m ? 4 : 0);
    return "?rgybmcw"[bits];
}

// Where a world point lands in a picture of camera's view.
QPoint project(const Camera& camera, const Vec3& p, int width, int height) {
    const std::array<float, 16> m = camera.projectionMatrix();
    float clip[4];
    for (int row = 0; row < 4; ++row) {
        clip[row] = m[row] * p[0] + m[4 + row] * p[1] + m[8 + row] * p[2] + m[12 + row];
    }
    return {static_cast<int>(std::floor((clip[0] / clip[3] + 1.0f) * 0.5f * width)),
            static_cast<int>(std::floor((1.0f - clip[1] / clip[3]) * 0.5f * height))};
}

Camera startUpCamera(int width = kProbeWidth, int height = kProbeHeight) {
    Camera camera = Camera::startUp();
    camera.setViewSize(width, height);
    return camera;
}

char hueAt(const QImage& picture, const Camera& camera, const Vec3& p) {
    const QPoint at = project(camera, p, picture.width(), picture.height());
    EXPECT_TRUE(picture.rect().contains(at)) << at.x() << "," << at.y();
    return hue(picture.pixel(at));
}

// Pixels of one hue and their bounding box.
struct HueArea {
    int count = 0;
    QRect bounds;
};

HueArea areaOf(const QImage& picture, char wanted) {
    HueArea area;
    for (int y = 0; y < picture.height(); ++y) {
        for (int x = 0; x < picture.width(); ++x) {
            if (hue(picture.pixel(x, y)) == wanted) {
                ++area.count;
                area.bounds |= QRect(x, y, 1, 1);
            }
        }
    }
    return area;
}

// Writes a picture of one colour (or two: the top half and the bottom half).
std::string solidPicture(const TempDir& dir, const std::string& name, QRgb top, QRgb bottom = 0) {
    QImage picture(16, 16, QImage::Format_RGB32);
    picture.fill(top);
    if (bottom != 0) {
        for (int y = 8; y < 16; ++y) {
            for (int x = 0; x < 16; ++x) {
                picture.setPixel(x, y, bottom);
            }
        }
    }
    const std::string path = dir.file(name);
    EXPECT_TRUE(picture.save(QString::fromStdString(path)));
    return path;
}

// Runs with the options and -o out; the picture read back, null when none was written.
QImage renderTo(const std::string& out, std::vector<std::string> args,
                const std::string& workingDir = {}) {
    args.insert(args.end(), {"-o", out});
    const ProcessResult r = runProcess(kBin, args, workingDir);
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.err, "");
    return readPicture(workingDir.empty() || out.starts_with('/') ? out : workingDir + "/" + out);
}

QJsonObject printed(const std::vector<std::string>& args, const std::string& workingDir = {}) {
    std::vector<std::string> all = args;
    all.push_back("--print");
    const auto r = runProcess(kBin, all, workingDir);
    EXPECT_EQ(r.status, 0) << r.err;
    QJsonParseError error{};
    const QJsonDocument doc = QJsonDocument::fromJson(QByteArray::fromStdString(r.out), &error);
    EXPECT_EQ(error.error, QJsonParseError::NoError) << r.out;
    return doc.object();
}

QString storedFacePath(const QJsonObject& project, int slot) {
    return project["faceSlots"].toArray()[slot].toObject()["imagePath"].toString();
}

std::set<std::string> filesIn(const std::string& dir) {
    std::set<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(dir)) {
        names.insert(entry.path().filename().string());
    }
    return names;
}

TEST(RenderCli, SavesTheStartUpProject) {
    TempDir dir;
    const std::string out = dir.file("x.ctn");
    const auto r = runProcess(kBin, {"--save", out});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(test::readBytes(out).size(), 4424u);

    ProjectData loaded;
    ASSERT_TRUE(loadProject(loaded, out));
    EXPECT_EQ(loaded.boxWidth, 2.5f);
    EXPECT_EQ(loaded.boxDepth, 1.25f);
    EXPECT_EQ(loaded.boxHeight, 5.0f);
    EXPECT_EQ(loaded.faceSlots[Top].vertices[0].z, 2.0f);
}

TEST(RenderCli, PrintsEveryFieldUnderItsName) {
    const QJsonObject json = printed({});
    EXPECT_EQ(json.size(), 35);
    EXPECT_EQ(json["boxWidth"].toDouble(), 2.5);
    EXPECT_FLOAT_EQ(json["lightPosition"].toArray()[0].toDouble(), 1.3250064f);
    EXPECT_EQ(json["floorImagePath"].toString(), "");
    const QJsonArray faceSlots = json["faceSlots"].toArray();
    ASSERT_EQ(faceSlots.size(), 7);
    const QJsonObject front = faceSlots[Front].toObject();
    EXPECT_EQ(front.size(), 18);
    EXPECT_EQ(front["faceIndex"].toInt(), 2);
    EXPECT_EQ(front["reservedBlock"].toArray().size(), 64);
    EXPECT_EQ(front["vertices"].toArray().size(), 4);
    EXPECT_EQ(front["vertices"].toArray()[3].toObject()["z"].toDouble(), 2.0);
    EXPECT_EQ(front["diffuseColor"].toArray().size(), 4);
    EXPECT_EQ(front["normal"].toArray()[1].toDouble(), -1.0);
}

TEST(RenderCli, PrintOfTheSampleIsAsItWas) {
    // Written once by the earlier hand-made writer: names, order and numbers must not move.
    const std::string source = CARTONIC_SOURCE_DIR;
    const auto r = runProcess(kBin, {source + "/examples/sample.ctn", "--print"});
    ASSERT_EQ(r.status, 0) << r.err;
    const std::vector<char> expected =
        test::readBytes(source + "/tests/cli/data/sample-print.json");
    EXPECT_EQ(r.out, std::string(expected.begin(), expected.end()));
}

TEST(RenderCli, WritesExactlyTheSizeAskedAsPngOrJpeg) {
    TempDir dir;
    struct Case {
        std::string name;
        std::string size;
        int width, height;
        const char* format;
    };
    // The first through a symbolic link: the picture replaces the file it leads to.
    test::writeBytes(dir.file("real.png"), {'o', 'l', 'd'});
    std::filesystem::create_symlink("real.png", dir.file("a.png"));
    for (const Case& c : std::vector<Case>{{"a.png", "1x1", 1, 1, "png"},
                                           {"b.jpg", "7x3", 7, 3, "jpeg"},
                                           {"c.JPEG", "333x1000", 333, 1000, "jpeg"},
                                           {"d.Png", "8192x1", 8192, 1, "png"},
                                           {"e.jpeg", "1x8192", 1, 8192, "jpeg"}}) {
        const auto r = runProcess(kBin, {"-o", dir.file(c.name), "--size", c.size});
        ASSERT_EQ(r.status, 0) << c.name << ": " << r.err;
        QImageReader reader(QString::fromStdString(dir.file(c.name)));
        // The content decides, not the name: a JPEG is a JPEG whatever the case of .jpg.
        reader.setDecideFormatFromContent(true);
        EXPECT_EQ(reader.format().toStdString(), c.format) << c.name;
        EXPECT_EQ(reader.size(), QSize(c.width, c.height)) << c.name;
        EXPECT_FALSE(reader.read().isNull()) << c.name;
    }
    EXPECT_EQ(readPicture(dir.file("real.png")).size(), QSize(1, 1));
    EXPECT_TRUE(std::filesystem::is_symlink(dir.file("a.png")));
}

TEST(RenderCli, RendersTheLargestPictureWithReplacedFaces) {
    TempDir dir;
    const std::string red = solidPicture(dir, "red.png", qRgb(255, 0, 0));
    const std::string out = dir.file("big.jpg");
    const auto r = runProcess(kBin, {"--face", "front=" + red, "-o", out, "--size", "8192x8192"});
    ASSERT_EQ(r.status, 0) << r.err;
    const QImage picture = readPicture(out);
    ASSERT_EQ(picture.size(), QSize(kMaxRenderSide, kMaxRenderSide));
    EXPECT_EQ(hueAt(picture, startUpCamera(kMaxRenderSide, kMaxRenderSide), kFrontCentre), 'r');
}

TEST(RenderCli, FacePicturesLandWhereTheStartUpCameraSeesThem) {
    TempDir dir;
    const QImage picture =
        renderTo(dir.file("faces.png"),
                 {"--face", "FRONT=" + solidPicture(dir, "red.png", qRgb(255, 0, 0)), "--face",
                  "left=" + solidPicture(dir, "blue.png", qRgb(0, 0, 255)), "--face",
                  "Top=" + solidPicture(dir, "green.png", qRgb(0, 255, 0)), "--size", kProbeSize});
    ASSERT_EQ(picture.size(), QSize(kProbeWidth, kProbeHeight));
    const Camera camera = startUpCamera();
    EXPECT_EQ(hueAt(picture, camera, kFrontCentre), 'r');
    // "Left" is the face on +x, which the camera at (9, -9, 9) sees on the right.
    EXPECT_EQ(hueAt(picture, camera, kLeftCentre), 'b');
    // The eye (z = 9) is below the top (z = 10): the top's picture shows nowhere.
    EXPECT_EQ(areaOf(picture, 'g').count, 0);

    // Turned half a turn, the picture's red top half goes to the bottom of the face.
    const std::string halves = solidPicture(dir, "halves.png", qRgb(255, 0, 0), qRgb(0, 0, 255));
    const Vec3 upperFront = {0.0f, -kStartBoxDepth, 1.6f * kStartBoxHeight};
    const QImage asLoaded =
        renderTo(dir.file("o0.png"), {"--face", "front=" + halves, "--size", kProbeSize});
    EXPECT_EQ(hueAt(asLoaded, camera, upperFront), 'r');
    const QImage turned =
        renderTo(dir.file("o4.png"),
                 {"--face", "front=" + halves, "--orientation", "front=4", "--size", kProbeSize});
    EXPECT_EQ(hueAt(turned, camera, upperFront), 'b');
}

TEST(RenderCli, VectorFacesAndAPdfPageLandAsPicturesDo) {
    TempDir dir;
    // Text needs the fonts of a GUI application, which the program has without a display.
    const QByteArray svg = "<svg xmlns='http://www.w3.org/2000/svg' width='8' height='16' "
                           "viewBox='0 0 50 100'><rect width='50' height='100' fill='red'/>"
                           "<text x='5' y='50' font-size='8'>Box</text></svg>";
    test::writeBytes(dir.file("front.svg"), std::vector<char>(svg.begin(), svg.end()));
    const QByteArray pdf = test::colourPagesPdf({Qt::green, Qt::blue});
    test::writeBytes(dir.file("pages.pdf"), std::vector<char>(pdf.begin(), pdf.end()));
    const QImage picture = renderTo(dir.file("vector.png"),
                                    {"--face", "front=" + dir.file("front.svg"), "--face",
                                     "left=" + dir.file("pages.pdf#page=2"), "--size", kProbeSize});
    ASSERT_EQ(picture.size(), QSize(kProbeWidth, kProbeHeight));
    const Camera camera = startUpCamera();
    EXPECT_EQ(hueAt(picture, camera, kFrontCentre), 'r');
    EXPECT_EQ(hueAt(picture, camera, {kStartBoxWidth, 0.0f, 0.5f * kStartBoxHeight}), 'b');
}

TEST(RenderCli, BoxOptionChangesThePrintedProjectAndTheSilhouette) {
    TempDir dir;
    EXPECT_EQ(printed({"--box", "3,4,6"})["boxDepth"].toDouble(), 4.0);
    const std::string saved = dir.file("box.ctn");
    ASSERT_EQ(runProcess(kBin, {"--box", "3,4,6", "--save", saved}).status, 0);
    const QJsonObject reread = printed({saved});
    EXPECT_EQ(reread["boxWidth"].toDouble(), 3.0);
    EXPECT_EQ(reread["boxHeight"].toDouble(), 6.0);

    std::vector<std::string> magenta;
    const std::string picture = solidPicture(dir, "m.png", qRgb(255, 0, 255));
    for (std::string_view face : kFaceNames) {
        magenta.insert(magenta.end(), {"--face", std::string(face) + "=" + picture});
    }
    magenta.insert(magenta.end(), {"--size", kProbeSize});
    const auto silhouette = [&](const std::string& name, std::vector<std::string> extra) {
        extra.insert(extra.end(), magenta.begin(), magenta.end());
        return areaOf(renderTo(dir.file(name), extra), 'm');
    };
    const HueArea start = silhouette("start.png", {});
    const HueArea wide = silhouette("wide.png", {"--box", "5,1.25,5"});
    const HueArea low = silhouette("low.png", {"--box", "2.5,1.25,2"});
    ASSERT_GT(start.count, 0);
    EXPECT_GT(wide.bounds.width(), start.bounds.width() + 20);
    EXPECT_GT(wide.count, start.count);
    EXPECT_LT(low.bounds.height(), start.bounds.height() - 20);
    EXPECT_LT(low.count, start.count);
}

// A dieline cut on the command line: its faces kept in the data folder and saved with the project,
// and a net of other proportions said in one warning line.
TEST(RenderCli, ADielineGivesTheFacesAndSaysAMismatch) {
    TempDir dir;
    ASSERT_EQ(::setenv("XDG_DATA_HOME", dir.path().c_str(), 1), 0);
    QImage net(168, 150, QImage::Format_RGB32); // the start-up box unfolds 15 x 15
    net.fill(qRgb(255, 0, 255));
    const std::string netFile = dir.file("net.png");
    ASSERT_TRUE(net.save(QString::fromStdString(netFile)));
    const std::string saved = dir.file("p.ctn");
    const ProcessResult r = runProcess(kBin, {"--dieline", netFile, "--save", saved, "-o",
                                              dir.file("a.png"), "--size", kProbeSize});
    ::unsetenv("XDG_DATA_HOME");
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.err, "cartonic-render: warning: dieline " + netFile +
                         " is 12% wider than the box unfolds: the panels keep the box's "
                         "proportions and are cut from its middle, leaving out its left and right "
                         "margins\n");
    const QJsonObject project = printed({saved});
    for (int face = 0; face < kFaceCount; ++face) {
        EXPECT_TRUE(storedFacePath(project, face)
                        .startsWith(QString::fromStdString(dir.path() + "/Cartonic/pasted/")))
            << storedFacePath(project, face).toStdString();
    }
    EXPECT_GT(areaOf(readPicture(dir.file("a.png")), 'm').count, 0);
}

TEST(RenderCli, CameraOptionsMoveTheStartUpCamera) {
    TempDir dir;
    // The box's colours are none of the scene's greens, cyans and greys.
    const std::vector<std::pair<std::string, QRgb>> colours = {
        {"top", qRgb(255, 0, 255)},  {"bottom", qRgb(255, 0, 255)}, {"front", qRgb(255, 0, 0)},
        {"back", qRgb(255, 255, 0)}, {"right", qRgb(255, 255, 0)},  {"left", qRgb(0, 0, 255)}};
    std::vector<std::string> faces = {"--size", kProbeSize};
    for (const auto& [face, colour] : colours) {
        faces.insert(faces.end(),
                     {"--face", face + "=" + solidPicture(dir, face + ".png", colour)});
    }
    const auto shot = [&](const std::string& name, std::vector<std::string> camera) {
        camera.insert(camera.end(), faces.begin(), faces.end());
        return renderTo(dir.file(name), camera);
    };
    const auto boxPixels = [](const QImage& picture) {
        int n = 0;
        for (char h : std::string("rbym")) {
            n += areaOf(picture, h).count;
        }
        return n;
    };
    const QImage start = shot("start.png", {});
    const int startPixels = boxPixels(start);

    // A quarter turn counter-clockwise seen from above takes the eye to (9, 9, 9): the back
    // face comes into view where the front was.
    Camera turned = startUpCamera();
    turned.yaw(1.5707964f);
    const QImage yawed = shot("yaw.png", {"--yaw", "1.5707964"});
    EXPECT_EQ(hueAt(yawed, turned, kBackCentre), 'y');
    EXPECT_EQ(hueAt(yawed, turned, kLeftCentre), 'b');

    // Raised, the camera sees more of the top.
    Camera raised = startUpCamera();
    raised.pitch(0.6f);
    const QImage pitched = shot("pitch.png", {"--pitch", "0.6"});
    // From the start the top shows at most as blends of red and blue along the front's edge.
    EXPECT_LT(areaOf(start, 'm').count, areaOf(pitched, 'm').count / 20);
    EXPECT_EQ(hueAt(pitched, raised, kTopCentre), 'm');

    // Closer or with a narrower lens the box fills more of the picture, and less the other way.
    EXPECT_GT(boxPixels(shot("in.png", {"--zoom", "4"})), startPixels * 5 / 4);
    EXPECT_LT(boxPixels(shot("out.png", {"--zoom", "-6"})), startPixels * 3 / 4);
    EXPECT_GT(boxPixels(shot("narrow.png", {"--fov", "30"})), startPixels * 5 / 4);
    EXPECT_LT(boxPixels(shot("wide.png", {"--fov", "75"})), startPixels * 3 / 4);
}

TEST(RenderCli, FloorPictureShowsWhenTheProjectTexturesTheFloor) {
    TempDir dir;
    const std::string red = solidPicture(dir, "red.png", qRgb(255, 0, 0));
    const std::string blue = solidPicture(dir, "blue.png", qRgb(0, 0, 255));
    // Lower left: floor, away from the box, its mirror image and its shadow. The floor is lit
    // and translucent, so its picture tints it rather than shows pure.
    const QPoint floorPixel(20, 290);
    const auto floorColour = [&](const std::vector<std::string>& project,
                                 const std::string& floor) {
        std::vector<std::string> args = project;
        args.insert(args.end(), {"--floor", floor, "--size", kProbeSize});
        return renderTo(dir.file("floor.png"), args).pixel(floorPixel);
    };
    const QRgb onRed = floorColour({}, red);
    const QRgb onBlue = floorColour({}, blue);
    EXPECT_GT(qRed(onRed), qRed(onBlue) + 40);
    EXPECT_LT(qBlue(onRed) + 40, qBlue(onBlue));

    // A project with floor texturing off keeps it off.
    ProjectData plain;
    plain.setDimensions(kStartBoxWidth, kStartBoxDepth, kStartBoxHeight);
    plain.floorTextureEnabled = 0;
    const std::string project = dir.file("plain.ctn");
    ASSERT_TRUE(saveProject(plain, project));
    EXPECT_EQ(floorColour({project}, red), floorColour({project}, blue));
    const QJsonObject printedPlain = printed({project, "--floor", red});
    EXPECT_EQ(printedPlain["floorTextureEnabled"].toInt(), 0);
    EXPECT_EQ(printedPlain["floorImagePath"].toString().toStdString(), red);
}

TEST(RenderCli, SamplesAndTransparencyReachThePicture) {
    TempDir dir;
    const auto shot = [&](const std::string& name, std::vector<std::string> args) {
        args.insert(args.end(), {"--size", "160x120"});
        return renderTo(dir.file(name), args).convertToFormat(QImage::Format_RGBA8888);
    };
    // Smooth by default: pixels between the box's colour and the background's; none aliased.
    const auto blends = [](const QImage& picture) {
        std::set<QRgb> colours;
        for (int y = 0; y < picture.height(); ++y) {
            for (int x = 0; x < picture.width(); ++x) {
                colours.insert(picture.pixel(x, y));
            }
        }
        return colours.size();
    };
    EXPECT_GT(blends(shot("smooth.png", {})), blends(shot("aliased.png", {"--samples", "1"})));
    EXPECT_EQ(shot("sixteen.png", {"--samples", "16"}).size(), QSize(160, 120));
    const QImage cutOut = shot("cut-out.png", {"--transparent"});
    EXPECT_EQ(qAlpha(cutOut.pixel(0, 0)), 0) << "background";
    EXPECT_EQ(qAlpha(cutOut.pixel(80, 60)), 255) << "box";
}

TEST(RenderCli, JpegQualityIsTheExportsUnlessGiven) {
    TempDir dir;
    const auto size = [&](const std::string& name, std::vector<std::string> args) {
        args.insert(args.end(), {"-o", dir.file(name)});
        EXPECT_EQ(runProcess(kBin, args).status, 0);
        return test::readBytes(dir.file(name)).size();
    };
    const std::size_t standard = size("d.jpg", {});
    EXPECT_EQ(size("92.jpg", {"--quality", "92"}), standard);
    EXPECT_LT(size("10.jpg", {"--quality", "10"}), standard);
    EXPECT_GT(size("100.jpg", {"--quality", "100"}), standard);
}

TEST(RenderCli, ProjectsFindTheirPicturesFromAnyWorkingDirectory) {
    TempDir dir;
    QDir(QString::fromStdString(dir.path())).mkpath("product/art");
    QDir(QString::fromStdString(dir.path())).mkpath("elsewhere");
    solidPicture(dir, "product/art/front.png", qRgb(255, 0, 0));
    solidPicture(dir, "floor.png", qRgb(255, 0, 0));

    // Named relative to the working directory, stored relative to the saved project.
    auto r = runProcess(kBin,
                        {"--face", "front=product/art/front.png", "--floor", "floor.png", "--save",
                         "product/p.ctn"},
                        dir.path());
    ASSERT_EQ(r.status, 0) << r.err;
    QJsonObject saved = printed({"product/p.ctn"}, dir.path());
    EXPECT_EQ(storedFacePath(saved, Front), "art/front.png");
    EXPECT_EQ(saved["floorImagePath"].toString(), "../floor.png");

    const Camera camera = startUpCamera();
    const QImage fromElsewhere =
        renderTo("shot.png", {"../product/p.ctn", "--size", kProbeSize}, dir.file("elsewhere"));
    EXPECT_EQ(hueAt(fromElsewhere, camera, kFrontCentre), 'r');

    // A copy saved in another folder still finds the pictures the original stored.
    r = runProcess(kBin, {"product/p.ctn", "--save", "elsewhere/copy.ctn"}, dir.path());
    ASSERT_EQ(r.status, 0) << r.err;
    saved = printed({dir.file("elsewhere/copy.ctn")});
    EXPECT_EQ(storedFacePath(saved, Front), "../product/art/front.png");
    const QImage copy =
        renderTo(dir.file("copy.png"), {dir.file("elsewhere/copy.ctn"), "--size", kProbeSize}, "/");
    EXPECT_EQ(hueAt(copy, camera, kFrontCentre), 'r');
}

TEST(RenderCli, AMissingProjectPictureIsOnlyAWarning) {
    TempDir dir;
    const std::string gone = solidPicture(dir, "gone.png", qRgb(255, 0, 0));
    ASSERT_EQ(runProcess(kBin, {"--face", "front=" + gone, "--save", dir.file("p.ctn")}).status, 0);
    std::filesystem::remove(gone);

    const std::string out = dir.file("shot.png");
    auto r = runProcess(kBin, {dir.file("p.ctn"), "-o", out, "--size", kProbeSize});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.err, "cartonic-render: warning: cannot load picture " + gone + " named in " +
                         dir.file("p.ctn") + ": cannot open: " + std::strerror(ENOENT) + "\n");
    EXPECT_NE(hueAt(readPicture(out), startUpCamera(), kFrontCentre), 'r');

    // Replaced on the command line, the missing picture is not looked for.
    const std::string blue = solidPicture(dir, "blue.png", qRgb(0, 0, 255));
    const QImage replaced =
        renderTo(out, {dir.file("p.ctn"), "--face", "front=" + blue, "--size", kProbeSize});
    EXPECT_EQ(hueAt(replaced, startUpCamera(), kFrontCentre), 'b');
}

TEST(RenderCli, DashWritesThePictureAloneToStandardOutput) {
    // The bytes on standard output are those -o FILE writes, PNG unless --format says otherwise;
    // a save on the same run prints nothing there.
    TempDir dir;
    struct Case {
        std::vector<std::string> args;
        std::string file;
    };
    for (const Case& c : std::vector<Case>{
             {{}, "shot.png"},
             {{"--format", "jpeg", "--save", dir.file("p.ctn")}, "shot.jpg"},
         }) {
        std::vector<std::string> args = {"--size", "64x48"};
        args.insert(args.end(), c.args.begin(), c.args.end());
        ASSERT_EQ(renderTo(dir.file(c.file), args).size(), QSize(64, 48));
        args.insert(args.end(), {"-o", "-"});
        const ProcessResult r = runProcess(kBin, args);
        EXPECT_EQ(r.status, 0) << r.err;
        EXPECT_EQ(r.err, "");
        const std::vector<char> file = test::readBytes(dir.file(c.file));
        EXPECT_TRUE(r.out == std::string(file.begin(), file.end())) << c.file;
    }
    EXPECT_EQ(filesIn(dir.path()), (std::set<std::string>{"p.ctn", "shot.png", "shot.jpg"}));

    // A terminal is refused before any work; a reader that has gone is a failed write.
    const int terminal = ::posix_openpt(O_RDWR | O_NOCTTY);
    if (terminal >= 0 && ::grantpt(terminal) == 0 && ::unlockpt(terminal) == 0) {
        const int screen = ::open(::ptsname(terminal), O_RDWR | O_NOCTTY);
        ASSERT_GE(screen, 0);
        const ProcessResult r = test::runProcessBytes(kBin, {"-o", "-", "--size", "8x8"}, screen);
        ::close(screen);
        EXPECT_EQ(r.status, 1);
        EXPECT_EQ(r.err.rfind("cartonic-render: standard output is a terminal", 0), 0u) << r.err;
    }
    if (terminal >= 0) {
        ::close(terminal);
    }
    int pipe[2];
    ASSERT_EQ(::pipe(pipe), 0);
    ::close(pipe[0]);
    const ProcessResult r = test::runProcessBytes(kBin, {"-o", "-", "--size", "8x8"}, pipe[1]);
    ::close(pipe[1]);
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "cartonic-render: standard output: write failed: " +
                         std::string(std::strerror(EPIPE)) + "\n");
}

TEST(RenderCli, NamesThatAreNotUtf8AreUsedByteForByte) {
    // Every name given holds a byte that is not UTF-8. Taken as text and back, it would name the
    // file beside it with U+FFFD in its place; those hold neither a picture nor a project, so
    // reading one fails and writing one shows.
    TempDir dir;
    const std::string given = "\xe9", replaced = "\xef\xbf\xbd";
    const std::vector<char> decoy = {'d', 'e', 'c', 'o', 'y'};
    const auto named = [&](const std::string& stem, const std::string& mark) {
        return dir.file(stem + mark + (stem.ends_with("project") ? ".ctn" : ".png"));
    };
    const std::vector<std::string> stems = {"project", "front", "floor", "shot", "saved-project"};
    for (const std::string& stem : stems) {
        test::writeBytes(named(stem, replaced), decoy);
    }
    std::filesystem::rename(solidPicture(dir, "red.png", qRgb(255, 0, 0)), named("front", given));
    std::filesystem::copy_file(named("front", given), named("floor", given));

    ProcessResult r = test::runProcessBytes(
        kBin, {"--face", "front=" + named("front", given), "--save", named("project", given)});
    ASSERT_EQ(r.status, 0) << r.err;
    r = test::runProcessBytes(kBin, {named("project", given), "--floor", named("floor", given),
                                     "-o", named("shot", given), "--size", kProbeSize, "--save",
                                     named("saved-project", given)});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.err, "") << "the project's own picture was found";

    std::set<std::string> expected;
    for (const std::string& stem : stems) {
        EXPECT_EQ(test::readBytes(named(stem, replaced)), decoy) << stem;
        expected.insert({std::filesystem::path(named(stem, replaced)).filename(),
                         std::filesystem::path(named(stem, given)).filename()});
    }
    EXPECT_EQ(filesIn(dir.path()), expected);
    const std::vector<char> shot = test::readBytes(named("shot", given));
    const QImage picture = QImage::fromData(QByteArray(shot.data(), qsizetype(shot.size())));
    EXPECT_EQ(hueAt(picture, startUpCamera(), kFrontCentre), 'r');
    ProjectData saved;
    ASSERT_TRUE(loadProject(saved, named("saved-project", given)));
    EXPECT_EQ(pathText(saved.faceSlots[Front].imagePath), named("front", given));
    EXPECT_EQ(pathText(saved.floorImagePath), named("floor", given));
}

TEST(RenderCli, EachErrorIsOneLineWithItsStatusAndLeavesNothingBehind) {
    TempDir dir;
    test::writeBytes(dir.file("bad.ctn"), {'n', 'o', 'p', 'e', '!'});
    test::writeBytes(dir.file("text.png"), {'t', 'e', 'x', 't'});
    test::writeBytes(dir.file("plain-file"), {'x'});
    test::writeBytes(dir.file("text.pdf"), {'t', 'e', 'x', 't'});
    const QByteArray onePage = test::colourPagesPdf({Qt::red});
    test::writeBytes(dir.file("one.pdf"), std::vector<char>(onePage.begin(), onePage.end()));
    const std::string red = solidPicture(dir, "red.png", qRgb(255, 0, 0));
    // An earlier picture under the output's name must survive every failure.
    test::writeBytes(dir.file("out.png"), {'o', 'l', 'd'});
    const std::set<std::string> inputs = filesIn(dir.path());
    const std::string out = dir.file("out.png");

    struct Case {
        std::vector<std::string> args;
        int status;
        std::string message;
    };
    const std::vector<Case> cases = {
        {{dir.file("bad.ctn"), "-o", out}, 1, dir.file("bad.ctn") + ": not a Cartonic project"},
        {{dir.file("missing.ctn"), "-o", out}, 1, dir.file("missing.ctn") + ": "},
        {{dir.path(), "-o", out}, 1, dir.path() + ": "},
        {{"--face", "front=" + dir.file("text.png"), "-o", out, "--save", dir.file("new.ctn")},
         1,
         "cannot load picture " + dir.file("text.png") + ": "},
        {{"--face", "back=" + dir.file("none.png"), "-o", out},
         1,
         "cannot load picture " + dir.file("none.png") + ": "},
        {{"--floor", dir.file("text.png"), "-o", out}, 1, "cannot load picture "},
        {{"--face", "top=" + dir.file("text.pdf"), "-o", out},
         1,
         "cannot load picture " + dir.file("text.pdf") + ": not a PDF document"},
        {{"--face", "top=" + dir.file("one.pdf#page=2"), "-o", out},
         1,
         "cannot load picture " + dir.file("one.pdf#page=2") + ": the document has no page 2"},
        {{"-o", dir.file("no/such/dir/shot.png")}, 1, dir.file("no/such/dir/shot.png") + ": "},
        {{"-o", dir.file("plain-file/shot.jpg")}, 1, dir.file("plain-file/shot.jpg") + ": "},
        {{"--save", dir.file("no/such/dir/p.ctn")}, 1, dir.file("no/such/dir/p.ctn") + ": "},
        {{"--size", "0x5", "-o", out}, 2, "--size wants"},
        {{"-o", dir.file("shot.gif")},
         2,
         "-o wants a file name ending in .jpg, .jpeg, .png or .glb"},
        {{"--face", "side=" + red}, 2, "--face wants NAME=IMAGE"},
        {{"--fov", "90"}, 2, "--fov wants degrees from 20 to 75"},
        {{"--orientation", "front=9"}, 2, "--orientation wants"},
        {{"--quality", "0", "-o", out}, 2, "--quality wants"},
        {{"--samples", "3", "-o", out}, 2, "--samples wants 1, 2, 4, 8, 16, 32 or 64"},
        {{"--transparent", "-o", dir.file("shot.jpg")}, 2, "--transparent: a transparent picture"},
        {{"--yaw"}, 2, "--yaw needs a value"},
        {{"--colour", "red"}, 2, "unknown option --colour"},
        // Names are echoed with their control characters escaped, never obeyed.
        {{"--face", "front=" + dir.file("two\nlines\x1b[2J.png"), "-o", out},
         1,
         "cannot load picture " + dir.file("two\\nlines\\x1b[2J.png") + ": "},
        {{"--colour\r\x7f"}, 2, "unknown option --colour\\r\\x7f\n"},
    };
    for (const Case& c : cases) {
        const ProcessResult r = runProcess(kBin, c.args);
        const std::string label = ::testing::PrintToString(c.args);
        EXPECT_EQ(r.status, c.status) << label << "\n" << r.err;
        EXPECT_EQ(r.out, "") << label;
        EXPECT_EQ(r.err.rfind("cartonic-render: " + c.message, 0), 0u) << label << "\n" << r.err;
        const auto lines = std::count(r.err.begin(), r.err.end(), '\n');
        EXPECT_EQ(lines, c.status == 1 ? 1 : 2) << label << "\n" << r.err;
        if (c.status == 2) {
            EXPECT_NE(r.err.find("Try 'cartonic-render --help'."), std::string::npos);
        }
        EXPECT_EQ(filesIn(dir.path()), inputs) << label;
        EXPECT_EQ(test::readBytes(out), (std::vector<char>{'o', 'l', 'd'})) << label;
    }

    const ProcessResult help = runProcess(kBin, {"--help"});
    EXPECT_EQ(help.status, 0);
    EXPECT_EQ(help.err, "");
    EXPECT_NE(help.out.find("--orientation NAME=N"), std::string::npos);
}

TEST(RenderCli, TurntablesWriteEveryFrameInOneRun) {
    TempDir dir;
    const std::string red = solidPicture(dir, "red.png", qRgb(255, 0, 0));
    const std::vector<std::string> view = {"--face", "front=" + red, "--size",  "32x24",
                                           "--yaw",  "0.3",          "--pitch", "0.1"};
    const auto render = [&](std::vector<std::string> args) {
        args.insert(args.end(), view.begin(), view.end());
        return runProcess(kBin, args);
    };
    const std::set<std::string> inputs = filesIn(dir.path());

    // Numbered frames: the first is the picture the same options give alone, and halfway round
    // the box shows another side.
    ProcessResult r = render({"--turntable", "4", "-o", dir.file("f-%02d.png")});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out + r.err, "");
    r = render({"-o", dir.file("alone.png")});
    ASSERT_EQ(r.status, 0) << r.err;
    std::vector<QImage> frames;
    for (const char* name : {"f-00.png", "f-01.png", "f-02.png", "f-03.png"}) {
        QImageReader reader(QString::fromStdString(dir.file(name)));
        reader.setDecideFormatFromContent(true);
        EXPECT_EQ(reader.format(), "png") << name;
        frames.push_back(reader.read());
        EXPECT_EQ(frames.back().size(), QSize(32, 24)) << name;
    }
    EXPECT_EQ(frames[0], readPicture(dir.file("alone.png")));
    EXPECT_NE(frames[2], frames[0]);

    // An animated WebP at the rate asked for, looping for ever.
    r = render({"--turntable", "4", "--fps", "12", "-o", dir.file("spin.webp")});
    ASSERT_EQ(r.status, 0) << r.err;
    const test::DecodedAnimation webp = test::decodeWebPAnimation(dir.file("spin.webp"));
    ASSERT_TRUE(webp.ok);
    EXPECT_EQ(QSize(webp.width, webp.height), QSize(32, 24));
    EXPECT_EQ(webp.loopCount, 0);
    EXPECT_EQ(webp.timestamps, (std::vector<int>{83, 167, 250, 333}));
    ASSERT_EQ(webp.rgba.size(), 4u);
    // Lossless: the first frame is the picture's pixels.
    const QImage first(webp.rgba[0].data(), 32, 24, 32 * 4, QImage::Format_RGBA8888);
    EXPECT_EQ(first.convertToFormat(QImage::Format_RGB32),
              frames[0].convertToFormat(QImage::Format_RGB32));

    std::set<std::string> expected = inputs;
    expected.insert({"f-00.png", "f-01.png", "f-02.png", "f-03.png", "alone.png", "spin.webp"});
    const auto ffprobe = findProgram("ffprobe");
    if (findProgram(kFfmpegProgram) && ffprobe) {
        // Odd sides are rounded down, as the window rounds them, and said.
        std::vector<std::string> odd = {"--turntable", "4", "-o", dir.file("spin.mp4")};
        odd.insert(odd.end(), view.begin(), view.end());
        odd.insert(odd.end(), {"--size", "33x25"});
        r = runProcess(kBin, odd);
        ASSERT_EQ(r.status, 0) << r.err;
        EXPECT_NE(r.err.find("warning: a video's sides are even, so the size was rounded down to "
                             "32 x 24"),
                  std::string::npos)
            << r.err;
        EXPECT_EQ(test::firstBoxType(dir.file("spin.mp4")), "ftyp");
        const test::VideoFacts video = test::probeVideo(*ffprobe, dir.file("spin.mp4"));
        EXPECT_EQ(video.codec, "h264");
        EXPECT_EQ(QSize(video.width, video.height), QSize(32, 24));
        EXPECT_EQ(video.frames, 4);
        expected.insert("spin.mp4");
    }
    EXPECT_EQ(filesIn(dir.path()), expected); // and no temporary left over
}

TEST(RenderCli, TurntableFailuresAreOneLineAndLeaveNoFile) {
    TempDir dir;
    std::filesystem::create_directory(dir.file("folder.webp"));
    const std::set<std::string> inputs = filesIn(dir.path());
    const QByteArray path = qgetenv("PATH");
    qputenv("PATH", QByteArray::fromStdString(dir.path())); // no ffmpeg there
    const ProcessResult noFfmpeg =
        runProcess(kBin, {"--turntable", "2", "-o", dir.file("spin.mp4"), "--size", "32x24"});
    qputenv("PATH", path);
    EXPECT_EQ(noFfmpeg.status, 1);
    EXPECT_EQ(noFfmpeg.err, "cartonic-render: " + dir.file("spin.mp4") +
                                ": ffmpeg is not on PATH: MP4 videos are made with it; install "
                                "it, or write a .webp animation\n");

    const ProcessResult folder =
        runProcess(kBin, {"--turntable", "2", "-o", dir.file("folder.webp"), "--size", "32x24"});
    EXPECT_EQ(folder.status, 1);
    EXPECT_EQ(folder.err.rfind("cartonic-render: " + dir.file("folder.webp") + ": ", 0), 0u)
        << folder.err;
    EXPECT_EQ(std::count(folder.err.begin(), folder.err.end(), '\n'), 1) << folder.err;

    // Usage errors, found before anything is drawn or written: a model is no turntable, and a
    // rate the format cannot hold fails now rather than after the last frame.
    for (const auto& args : std::vector<std::vector<std::string>>{
             {"--turntable", "2", "-o", dir.file("a.png")},
             {"--turntable", "3", "-o", dir.file("spin.webp"), "--format", "glb"},
             {"--turntable", "3", "-o", dir.file("frame-%d.glb")},
             {"--turntable", "2", "--fps", "0.00005", "-o", dir.file("spin.webp")},
             {"--turntable", "2", "--fps", "1e-9", "-o", dir.file("spin.mp4")},
         }) {
        EXPECT_EQ(runProcess(kBin, args).status, 2) << ::testing::PrintToString(args);
    }
    EXPECT_EQ(filesIn(dir.path()), inputs);
}

TEST(RenderCli, ParallelRunsShareNothing) {
    TempDir dir;
    constexpr int kRuns = 8;
    const std::string red = solidPicture(dir, "red.png", qRgb(255, 0, 0));
    ASSERT_EQ(runProcess(kBin, {"--face", "front=" + red, "--save", dir.file("p.ctn")}).status, 0);
    const std::set<std::string> inputs = filesIn(dir.path());

    std::vector<std::unique_ptr<QProcess>> runs;
    for (int i = 0; i < kRuns; ++i) {
        auto process = std::make_unique<QProcess>();
        const std::string ext = i % 2 == 0 ? ".png" : ".jpg";
        process->start(QString::fromStdString(kBin),
                       {QString::fromStdString(dir.file("p.ctn")), "-o",
                        QString::fromStdString(dir.file("shot" + std::to_string(i) + ext)),
                        "--size", "320x240", "--yaw", QString::number(0.5 * i), "--save",
                        QString::fromStdString(dir.file("copy" + std::to_string(i) + ".ctn"))});
        runs.push_back(std::move(process));
    }
    std::set<std::vector<char>> pictures;
    std::set<std::string> expected = inputs;
    for (int i = 0; i < kRuns; ++i) {
        QProcess& process = *runs[i];
        ASSERT_TRUE(process.waitForFinished(120000));
        EXPECT_EQ(process.exitStatus(), QProcess::NormalExit);
        EXPECT_EQ(process.exitCode(), 0) << process.readAllStandardError().toStdString();
        const std::string name = "shot" + std::to_string(i) + (i % 2 == 0 ? ".png" : ".jpg");
        expected.insert({name, "copy" + std::to_string(i) + ".ctn"});
        EXPECT_EQ(readPicture(dir.file(name)).size(), QSize(320, 240)) << name;
        pictures.insert(test::readBytes(dir.file(name)));
        EXPECT_EQ(test::readBytes(dir.file("copy" + std::to_string(i) + ".ctn")).size(),
                  kProjectFileSize);
    }
    EXPECT_EQ(pictures.size(), static_cast<std::size_t>(kRuns)); // every view its own
    EXPECT_EQ(filesIn(dir.path()), expected);                    // and no temporary file left over
}

} // namespace
} // namespace cartonic
