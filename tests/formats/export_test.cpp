// Rendering at a chosen size and writing the picture: exact sizes, orientation, no selection
// outline, atomic writing, through symbolic links and never over what is not a file.

#include "formats/picture_writer.h"
#include "gl/offscreen_target.h"
#include "image/image_loader.h"
#include "image/restore_images.h"
#include "image/slot_pictures.h"
#include "model/box_geometry.h"
#include "model/project_file.h"
#include "render/final_textures.h"
#include "render/headless_renderer.h"
#include "render/scene_renderer.h"
#include "render/texel_need.h"
#include "support/forked.h"
#include "support/headless_test.h"
#include "support/picture_quality.h"
#include "support/temp_dir.h"
#include "support/vector_documents.h"

#include <QBuffer>
#include <QColor>
#include <QGuiApplication>
#include <QImage>
#include <QImageWriter>

#include <gtest/gtest.h>

#include <climits>
#include <csignal>
#include <cstring>
#include <filesystem>
#include <set>
#include <sys/stat.h>

namespace cartonic {
namespace {

class ExportTest : public test::HeadlessTest {
protected:
    void SetUp() override {
        HeadlessTest::SetUp();
        camera_ = Camera::startUp();
        camera_.setViewSize(800, 600);
    }

    Status render(const Camera& camera, int width, int height, RgbaPicture& out,
                  const RenderSettings& settings = {}) {
        return renderer_->render(data_, images_, camera, width, height, out, settings);
    }

    // The frame as the view draws it, into the bound target.
    void drawViewFrame() {
        camera_.applyProjection();
        drawFrame(data_, renderer_->textures(data_, images_),
                  {.outlinedFace = selectionOutline(data_)});
    }

    Camera camera_;
};

// Smaller than any picture the tests encode.
constexpr rlim_t kSmallFileLimit = 100;

int redPixels(const RgbaPicture& p) {
    int n = 0;
    for (std::size_t i = 0; i < p.rgba.size(); i += 4) {
        n += p.rgba[i] > 200 && p.rgba[i + 1] < 60 && p.rgba[i + 2] < 60;
    }
    return n;
}

TEST_F(ExportTest, RendersExactlyTheRequestedSize) {
    for (const auto& [w, h] : {std::pair{1, 1}, {400, 400}, {2047, 2047}, {4000, 300}}) {
        RgbaPicture picture;
        const Status drawn = render(camera_, w, h, picture);
        ASSERT_TRUE(drawn) << drawn.message();
        EXPECT_EQ(picture.width, w);
        EXPECT_EQ(picture.height, h);
        EXPECT_EQ(picture.rgba.size(), std::size_t(w) * h * 4);
    }
}

TEST_F(ExportTest, PictureIsUprightAndHasNoOutline) {
    data_.selectedFace = Front;
    RgbaPicture exported;
    ASSERT_TRUE(render(camera_, 320, 240, exported));

    // The top-left pixel is the gradient's top colour, the bottom-left its bottom colour.
    const auto near = [](std::uint8_t v, float f) {
        return std::abs(v - f * 255.0f) <= 3.0f;
    };
    EXPECT_TRUE(near(exported.rgba[1], 0.3f) && near(exported.rgba[2], 0.2f));
    const std::size_t bottomLeft = std::size_t(239) * 320 * 4;
    EXPECT_GT(exported.rgba[bottomLeft + 2], exported.rgba[2]) << "bottom is the lighter teal";

    // The same frame drawn with the outline has red pixels the export has not.
    auto target = gl::OffscreenTarget::create(320, 240).value;
    ASSERT_TRUE(target);
    drawViewFrame();
    RgbaPicture outlined{320, 240, target->readRgba()};
    target.reset();
    EXPECT_GT(redPixels(outlined), redPixels(exported) + 100);
}

TEST_F(ExportTest, TilesJoinIntoTheFrameDrawnWhole) {
    // A picture larger than a tile is drawn in several; seams or shifted tiles would show.
    constexpr int kSide = 1500;
    RgbaPicture tiled;
    ASSERT_TRUE(render(camera_, kSide, kSide, tiled, RenderSettings{kAliasedSamples}));
    auto target = gl::OffscreenTarget::create(kSide, kSide).value;
    ASSERT_TRUE(target);
    data_.showSelection = 0;
    drawViewFrame();
    const std::vector<std::uint8_t> whole = target->readRgba();
    target.reset();
    std::size_t differing = 0;
    for (std::size_t i = 0; i < whole.size(); i += 4) {
        differing += std::abs(whole[i] - tiled.rgba[i]) > 2 ||
                     std::abs(whole[i + 1] - tiled.rgba[i + 1]) > 2;
    }
    EXPECT_LT(differing, whole.size() / 4 / 1000);
}

TEST_F(ExportTest, DefaultPictureMeetsTheEdgeFigures) {
    // Against the frame drawn at 8 times the size and averaged down, the default picture errs
    // near the shapes' edges (found where the shapes alone, the floor's pattern left off, have
    // them) and near every edge, the pattern's included, far less than the aliased one.
    constexpr int kW = 160;
    constexpr int kH = 120;
    constexpr int kFactor = 8;
    camera_.setViewSize(kW, kH);
    const auto render = [&](int w, int h, int samples) {
        RgbaPicture picture;
        EXPECT_TRUE(ExportTest::render(camera_, w, h, picture, RenderSettings{samples}));
        return picture;
    };
    const test::RgbPlane ideal = test::boxReduced(render(kW * kFactor, kH * kFactor, 1), kFactor);
    data_.floorTextureEnabled = 0;
    const test::RgbPlane shapes = test::boxReduced(render(kW * kFactor, kH * kFactor, 1), kFactor);
    data_.floorTextureEnabled = 1;
    const RgbaPicture aliased = render(kW, kH, kAliasedSamples);
    const RgbaPicture smooth = render(kW, kH, kSmoothSamples);
    EXPECT_LT(test::edgeError(smooth, ideal, &shapes),
              0.15 * test::edgeError(aliased, ideal, &shapes));
    EXPECT_LT(test::edgeError(smooth, ideal), 0.25 * test::edgeError(aliased, ideal));
}

TEST_F(ExportTest, RefinedViewMeetsItsEdgeFigure) {
    // The view's passes summed as it refines a still picture, against the frame drawn at 8 times
    // the size with the same textures: near every edge, far closer than one frame.
    constexpr int kW = 160;
    constexpr int kH = 120;
    constexpr int kFactor = 8;
    camera_.setViewSize(kW, kH);
    RgbaPicture big;
    RgbaPicture aliased;
    ASSERT_TRUE(render(camera_, kW * kFactor, kH * kFactor, big, RenderSettings{kAliasedSamples}));
    ASSERT_TRUE(render(camera_, kW, kH, aliased, RenderSettings{kAliasedSamples}));
    const test::RgbPlane ideal = test::boxReduced(big, kFactor);

    const RgbaPicture settled =
        test::refinedView(data_, renderer_->textures(data_, images_), camera_, kW, kH);
    ASSERT_EQ(settled.width, kW);
    EXPECT_LT(test::edgeError(settled, ideal), 0.3 * test::edgeError(aliased, ideal));
}

// The scene's own shadow and mirror image on a plain floor, for the soft shadow and the fading
// reflection: no pictures, no floor pattern, each effect alone.
class SceneLookTest : public ExportTest {
protected:
    void SetUp() override {
        ExportTest::SetUp();
        data_.floorTextureEnabled = 0;
        // A cube on the floor lit from the left: the shadow falls to the right, and the whole
        // mirror image is in the picture.
        data_.setDimensions(1.0f, 1.0f, 1.0f);
        data_.lightAngle = kHalfTurn;
        data_.updateLightPosition();
        camera_.lookAt(1.5f, 0.0f, 0.0f);
        camera_.dolly(kCloser);
        camera_.setViewSize(kWidth, kHeight);
    }

    static constexpr float kCloser = 5.0f;

    static constexpr float kHalfTurn = 3.14159265f;

    RgbaPicture draw(bool shadow, bool reflection, SceneLook look, int samples) {
        data_.showShadow = shadow ? 1 : 0;
        data_.showReflection = reflection ? 1 : 0;
        RenderSettings settings{samples};
        settings.look = look;
        RgbaPicture picture;
        EXPECT_TRUE(render(camera_, kWidth, kHeight, picture, settings));
        return picture;
    }

    static constexpr int kWidth = 800;
    static constexpr int kHeight = 600;
};

TEST_F(SceneLookTest, ShadowSoftensAwayFromTheBoxsFoot) {
    const RgbaPicture opaqueFloor = draw(false, false, {}, kAliasedSamples);
    const auto edges = [&](SceneLook look, int samples) {
        const test::Darkening d(draw(true, false, look, samples), opaqueFloor);
        return test::shadowEdges(d, d.darkest());
    };
    const auto widths = [](std::vector<test::ShadowEdge> edges) {
        std::vector<double> w;
        for (const test::ShadowEdge& e : edges) {
            w.push_back(e.width);
        }
        std::sort(w.begin(), w.end());
        return w;
    };
    const std::vector<double> hard = widths(edges({}, kAliasedSamples));
    ASSERT_GT(hard.size(), 50u);
    EXPECT_LE(hard[hard.size() * 9 / 10], 1.5);

    // Near the foot: the edge pixels closest to where the box stands; far: the farthest.
    std::vector<test::ShadowEdge> soft = edges({.shadowSoftness = 0.5f}, kSmoothSamples);
    ASSERT_GT(soft.size(), 50u);
    const auto foot = test::pictureAt(camera_, {0.0, 0.0, 0.0}, kWidth, kHeight);
    std::sort(soft.begin(), soft.end(), [&](const auto& a, const auto& b) {
        return std::hypot(a.x - foot[0], a.y - foot[1]) < std::hypot(b.x - foot[0], b.y - foot[1]);
    });
    const std::size_t tenth = soft.size() / 10;
    const std::vector<double> near = widths({soft.begin(), soft.begin() + tenth});
    const std::vector<double> far = widths({soft.end() - tenth, soft.end()});
    EXPECT_GE(far[far.size() / 2], 8.0);
    EXPECT_GT(far[far.size() / 2], 2.0 * near[near.size() / 2]);
}

TEST_F(SceneLookTest, ReflectionFadesOutAtItsHeight) {
    // How far the picture differs from the floor at the left end of the row, around the point
    // of the box's front face mirrored at share of the box's height below the floor.
    const auto strength = [&](const RgbaPicture& with, double share) {
        const double height = kUnitBox[Top].corners[0].z * data_.boxHeight;
        const auto at =
            test::pictureAt(camera_, {0.0, -data_.boxDepth, -share * height}, kWidth, kHeight);
        double sum = 0.0;
        for (int dy = -2; dy <= 2; ++dy) {
            for (int dx = -2; dx <= 2; ++dx) {
                const int x = std::clamp(static_cast<int>(at[0]) + dx, 1, kWidth - 1);
                const int y = std::clamp(static_cast<int>(at[1]) + dy, 0, kHeight - 1);
                const std::size_t i = (static_cast<std::size_t>(y) * kWidth + x) * 4;
                const std::size_t floor = (static_cast<std::size_t>(y) * kWidth + 1) * 4;
                for (int c = 0; c < 3; ++c) {
                    sum += std::abs(with.rgba[i + c] - with.rgba[floor + c]);
                }
            }
        }
        return sum;
    };
    const RgbaPicture mirror = draw(false, true, {}, kAliasedSamples);
    const RgbaPicture fading = draw(false, true, {.reflectionFade = 1.0f}, kAliasedSamples);
    ASSERT_GT(strength(mirror, 0.95), 0.5 * strength(mirror, 0.05)); // the top is in view
    EXPECT_LE(strength(fading, 0.95), 0.1 * strength(fading, 0.05));
    EXPECT_GT(strength(fading, 0.05), 0.8 * strength(mirror, 0.05));
    EXPECT_EQ(draw(false, true, {.reflectionFade = 0.0f}, kAliasedSamples).rgba, mirror.rgba);
}

TEST_F(ExportTest, AliasedPictureIsTheFrameDrawnOnce) {
    // One sample a pixel is one pass of the frame as the view draws it, but for the editor's
    // handles: no shift, no texture bias, no averaging.
    constexpr int kW = 320;
    constexpr int kH = 240;
    camera_.setViewSize(kW, kH);
    RgbaPicture aliased;
    ASSERT_TRUE(render(camera_, kW, kH, aliased, RenderSettings{kAliasedSamples}));
    auto target = gl::OffscreenTarget::create(kW, kH).value;
    ASSERT_TRUE(target);
    camera_.applyProjection();
    drawFrame(data_, renderer_->textures(data_, images_), {.lightMarker = false});
    EXPECT_TRUE(target->readRgba() == aliased.rgba);
}

// A picture of 2-pixel stripes on the front face, which the slot keeps at a quarter of its size:
// grey.
class FacePictureExport : public ExportTest {
protected:
    void SetUp() override {
        ExportTest::SetUp();
        data_.setDimensions(1.0f, 1.0f, 1.0f);
        data_.hideOverlays = 1;
        ASSERT_TRUE(
            test::stripes(kPictureSide, kPictureSide, 2).save(QString::fromStdString(path_)));
        ASSERT_TRUE(loadImage(data_.faceSlots[Front], images_[Front], path_));
        pictures_.kept = &images_;
        pictures_.paths[Front] = path_;
    }

    // The output square with the face a little larger than it, so every picture pixel can show.
    RgbaPicture renderFront(const SlotPictures* pictures,
                            std::vector<std::string>* notes = nullptr) {
        RenderSettings settings;
        settings.pictures = pictures;
        settings.notes = notes;
        RgbaPicture picture;
        EXPECT_TRUE(render(test::facingFront(1.1f), kPictureSide, kPictureSide, picture, settings));
        return picture;
    }

    double middleContrast(const RgbaPicture& p) {
        return test::stripeContrast(p, kPictureSide * 3 / 8, kPictureSide * 3 / 8, kPictureSide / 4,
                                    kPictureSide / 4);
    }

    static constexpr int kPictureSide = 2048;
    test::TempDir dir_;
    std::string path_ = dir_.file("stripes.png");
    SlotPictures pictures_;
};

TEST_F(FacePictureExport, ShowsEveryPixelThePictureSizeCanHold) {
    EXPECT_LT(middleContrast(renderFront(nullptr)), 0.1) << "the kept copy has lost the stripes";
    EXPECT_GT(middleContrast(renderFront(&pictures_)), 0.5);

    // The faces get the texels they need; a floor picture takes what they leave of the budget,
    // however many its view towards the horizon would need.
    for (int k = 0; k < kSlotCount; ++k) {
        images_[k] = images_[Front];
        data_.faceSlots[k].imageWidth = data_.faceSlots[k].imageHeight = kPictureSide;
        pictures_.paths[k] = path_;
    }
    for (const int side : {kPictureSide / 2, 64}) {
        SCOPED_TRACE(side);
        const auto bytes = [&](bool floor) {
            data_.floorTextureEnabled = floor ? 1 : 0;
            return FinalTextures(data_, renderer_->names(), pictures_, test::facingFront(1.1f),
                                 side, side, nullptr)
                .bytes();
        };
        const std::size_t faces = bytes(false);
        const double budget = kExportTextureBudget * side * side * 4;
        EXPECT_GT(faces, 0u);
        EXPECT_LE(bytes(true), std::max(budget, static_cast<double>(faces) + 8));
    }
}

// A vector face is drawn again for an export at the texels the output needs of it: an SVG whose
// view box is 2048 units (declaring 64 pixels) of 2-unit stripes, and a PDF page drawn the same
// way, keep their stripes where the view's copy has lost them.
TEST_F(ExportTest, VectorFacesAreDrawnAtTheSizeTheOutputNeeds) {
    constexpr int kSide = 2048;
    data_.setDimensions(1.0f, 1.0f, 1.0f);
    data_.hideOverlays = 1;
    const test::TempDir dir;
    const std::pair<const char*, QByteArray> documents[] = {
        {"stripes.svg", test::stripesSvg(kSide, 2, 64)},
        {"stripes.pdf", test::stripesPdf(kSide, 2)}};
    for (const auto& [name, bytes] : documents) {
        SCOPED_TRACE(name);
        const std::string path = dir.file(name);
        test::writeBytes(path, std::vector<char>(bytes.begin(), bytes.end()));
        ASSERT_TRUE(loadImage(data_.faceSlots[Front], images_[Front], path));
        SlotPictures pictures;
        pictures.kept = &images_;
        pictures.paths[Front] = path;
        const auto contrast = [&](const SlotPictures* given) {
            RenderSettings settings{kAliasedSamples};
            settings.pictures = given;
            RgbaPicture p;
            EXPECT_TRUE(render(test::facingFront(1.1f), kSide, kSide, p, settings));
            return test::stripeContrast(p, kSide * 3 / 8, kSide * 3 / 8, kSide / 4, kSide / 4);
        };
        EXPECT_LT(contrast(nullptr), 0.1) << "the view's copy";
        EXPECT_GT(contrast(&pictures), 0.5);
    }
}

// The sample project at a small size, where the texture budget is tight: the faces keep their
// texels whether or not the floor has a picture, and the box looks the same either way.
TEST_F(ExportTest, AFloorPictureLeavesTheFacesSharp) {
    constexpr int kW = 200;
    constexpr int kH = 150;
    const std::string sample = std::string(CARTONIC_SOURCE_DIR) + "/examples/sample.ctn";
    ASSERT_TRUE(loadProject(data_, sample));
    const std::string folder = std::filesystem::path(sample).parent_path();
    ASSERT_TRUE(restoreProjectImages(data_, images_, folder).empty());
    renderer_->prepareRecord(data_);
    const SlotPictures pictures{&images_, storedPicturePaths(data_, folder)};
    Camera camera = Camera::startUp();
    camera.yaw(-0.2f);
    camera.pitch(0.12f);
    camera.dolly(-4.0f);
    camera.setViewSize(kW, kH);
    const auto picture = [&](bool floorPicture, int samples, bool transparent) {
        data_.floorTextureEnabled = floorPicture ? 1 : 0;
        RenderSettings settings{samples};
        settings.pictures = &pictures;
        settings.transparent = transparent;
        RgbaPicture out;
        EXPECT_TRUE(render(camera, kW, kH, out, settings));
        return out;
    };
    // The box is what a transparent picture holds opaque.
    const RgbaPicture cutOut = picture(true, kSmoothSamples, true);
    for (const int samples : {kAliasedSamples, kSmoothSamples}) {
        SCOPED_TRACE(samples);
        const RgbaPicture textured = picture(true, samples, false);
        const RgbaPicture plain = picture(false, samples, false);
        int box = 0;
        int worst = 0;
        for (std::size_t i = 0; i < cutOut.rgba.size(); i += 4) {
            if (cutOut.rgba[i + 3] != 255) {
                continue;
            }
            ++box;
            for (int c = 0; c < 3; ++c) {
                worst = std::max(worst, std::abs(textured.rgba[i + c] - plain.rgba[i + c]));
            }
        }
        EXPECT_GT(box, kW * kH / 20);
        EXPECT_LE(worst, 3);
    }
}

// The record's texture is made when a frame first draws it, whether or not an export drew its own
// textures before.
TEST_F(ExportTest, DrawsTheRecordsPictureWithoutTheExportsTextures) {
    data_.setDimensions(1.0f, 1.0f, 1.0f);
    images_[Front].image = QImage(64, 64, QImage::Format_RGBX8888);
    images_[Front].image.fill(QColor(230, 20, 20));
    SlotPictures pictures;
    pictures.kept = &images_;
    for (const SlotPictures* given : std::array<const SlotPictures*, 2>{&pictures, nullptr}) {
        RenderSettings settings;
        settings.pictures = given;
        RgbaPicture p;
        ASSERT_TRUE(render(test::facingFront(1.5f), 64, 64, p, settings));
        const std::uint8_t* middle = &p.rgba[(32 * 64 + 32) * 4];
        EXPECT_GT(middle[0], 2 * middle[1]) << (given ? "the export's" : "the record's");
    }
}

TEST_F(FacePictureExport, AGoneFileLeavesTheKeptCopyAndANote) {
    std::filesystem::remove(path_);
    std::vector<std::string> notes;
    const RgbaPicture picture = renderFront(&pictures_, &notes);
    EXPECT_LT(middleContrast(picture), 0.1);
    ASSERT_EQ(notes.size(), 1u);
    EXPECT_NE(notes[0].find(path_), std::string::npos) << notes[0];
    EXPECT_NE(notes[0].find("512 x 512"), std::string::npos) << notes[0];
}

// What a face's picture needs of its texture in a view: nothing when the face is turned away, and
// anisotropic filtering only when the face is seen slanting.
TEST(ExportTextureNeeds, FollowTheFacesView) {
    ProjectData data;
    data.setDimensions(kStartBoxWidth, kStartBoxDepth, kStartBoxHeight);
    data.showReflection = 0;
    const auto cameraAt = [](const Vec3& eye) {
        Camera camera = Camera::startUp();
        camera.setViewSize(800, 600);
        camera.eye = eye;
        camera.lookAt(0.0f, 0.0f, kStartBoxHeight);
        return camera;
    };
    const Camera ahead = cameraAt({0.0f, -30.0f, kStartBoxHeight});
    const TextureSize front = neededTexels(data, Front, ahead, 800, 600);
    EXPECT_GT(front.width, 50);
    EXPECT_EQ(neededTexels(data, Back, ahead, 800, 600).width, 1);
    EXPECT_LT(neededAnisotropy(data, Front, ahead, 800, 600, front), 1.5);
    // About 78 degrees off the face's normal: the picture is squeezed about five times across.
    const Camera aslant = cameraAt({28.0f, -6.0f, kStartBoxHeight});
    EXPECT_GT(neededAnisotropy(data, Front, aslant, 800, 600, front), 3.0);
}

TEST_F(ExportTest, TransparentPngOverAColourIsTheSceneOverThatColour) {
    // Background and floor see-through, the box opaque, its reflection and shadow partly so:
    // the written picture laid over C is the frame drawn with background and floor in C.
    constexpr int kW = 200;
    constexpr int kH = 150;
    camera_.setViewSize(kW, kH);
    RenderSettings settings;
    settings.transparent = true;
    RgbaPicture picture;
    ASSERT_TRUE(render(camera_, kW, kH, picture, settings));
    test::TempDir dir;
    ASSERT_TRUE(writePicture(dir.file("cut-out.png"), picture, PictureFormat::Png));
    const QImage png = QImage(QString::fromStdString(dir.file("cut-out.png")))
                           .convertToFormat(QImage::Format_RGBA8888);
    ASSERT_EQ(png.size(), QSize(kW, kH));

    int opaque = 0, partial = 0, clear = 0;
    for (int y = 0; y < kH; ++y) {
        for (int x = 0; x < kW; ++x) {
            const int a = qAlpha(png.pixel(x, y));
            (a == 255 ? opaque : a == 0 ? clear : partial)++;
        }
    }
    EXPECT_GT(opaque, kW * kH / 20) << "the box";
    EXPECT_GT(clear, kW * kH / 5) << "background and floor";
    EXPECT_GT(partial, kW * kH / 20) << "reflection, shadow and smooth edges";

    for (const Rgb& backdrop : {Rgb{0, 0, 0}, Rgb{1, 1, 1}, Rgb{0.35f, 0.6f, 0.8f}}) {
        const std::vector<std::uint8_t> expected =
            test::sceneOver(data_, renderer_->textures(data_, images_), camera_, kW, kH,
                            kSmoothSamples, backdrop)
                .rgba;
        int worst = 0;
        for (int y = 0; y < kH; ++y) {
            const auto* row = png.constScanLine(y);
            for (int x = 0; x < kW; ++x) {
                const double a = row[x * 4 + 3] / 255.0;
                for (int c = 0; c < 3; ++c) {
                    const double over = a * row[x * 4 + c] + (1 - a) * backdrop[c] * 255;
                    const int e = expected[(static_cast<std::size_t>(y) * kW + x) * 4 + c];
                    worst = std::max(worst, static_cast<int>(std::lround(std::abs(over - e))));
                }
            }
        }
        EXPECT_LE(worst, 3) << backdrop[0] << ", " << backdrop[1] << ", " << backdrop[2];
    }
}

TEST_F(ExportTest, WritesJpegAndPngOfTheRenderedSize) {
    test::TempDir dir;
    RgbaPicture picture;
    ASSERT_TRUE(render(camera_, 640, 360, picture));
    ASSERT_TRUE(writePicture(dir.file("cover.png"), picture, PictureFormat::Png));
    // Whatever the name says, the format asked for is what is written.
    ASSERT_TRUE(writePicture(dir.file("cover.png.jpeg"), picture, PictureFormat::Jpeg));
    const QImage png(QString::fromStdString(dir.file("cover.png")));
    const QImage jpeg(QString::fromStdString(dir.file("cover.png.jpeg")));
    EXPECT_EQ(png.size(), QSize(640, 360));
    EXPECT_EQ(jpeg.size(), QSize(640, 360));
    EXPECT_EQ(test::readBytes(dir.file("cover.png.jpeg")).at(0), char(0xFF)) << "JPEG data";
    EXPECT_EQ(png.pixelColor(0, 0).green(), picture.rgba[1]);
}

TEST_F(ExportTest, FailedWritesLeaveNoFileAndSaySo) {
    test::TempDir dir;
    RgbaPicture picture;
    ASSERT_TRUE(render(camera_, 64, 48, picture));
    const Status noFolder =
        writePicture(dir.file("missing/x.jpg"), picture, PictureFormat::Jpeg, 90);
    EXPECT_EQ(noFolder.kind(), Status::Kind::WriteFailed);
    EXPECT_FALSE(noFolder.message().empty());

    // An existing picture survives a failed write over it.
    const std::string keep = dir.file("keep.jpg");
    ASSERT_TRUE(writePicture(keep, picture, PictureFormat::Jpeg));
    const auto before = test::readBytes(keep);
    RgbaPicture broken = picture;
    broken.rgba.resize(10);
    EXPECT_EQ(writePicture(keep, broken, PictureFormat::Jpeg, 90).kind(), Status::Kind::Usage);
    EXPECT_EQ(test::readBytes(keep), before);
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()),
                            std::filesystem::directory_iterator()),
              1);

    EXPECT_EQ(render(camera_, 0, 10, picture).kind(), Status::Kind::Usage);

    // A write the system refuses part-way is reported with the system's reason, for either
    // encoder, and leaves the earlier picture.
    for (const PictureFormat format : {PictureFormat::Png, PictureFormat::Jpeg}) {
        const test::ChildResult result = test::runForked([&] {
            std::signal(SIGXFSZ, SIG_IGN);
            const rlimit small{kSmallFileLimit, kSmallFileLimit};
            ::setrlimit(RLIMIT_FSIZE, &small);
            const Status written = writePicture(keep, picture, format, 90);
            if (written) {
                return 1;
            }
            return written.kind() == Status::Kind::WriteFailed &&
                           written.message().find(std::strerror(EFBIG)) != std::string::npos
                       ? 0
                       : 2;
        });
        EXPECT_EQ(result.status, 0) << "1: it claimed success, 2: the reason was not given";
        EXPECT_EQ(test::readBytes(keep), before);
    }
}

TEST(PictureWriter, JpegFilesAreTheGeneralWritersByteForByte) {
    // The straight encoder must write exactly what Qt's JPEG writer writes for the same picture,
    // quality (its default and clamping included) and density.
    test::TempDir dir;
    std::uint32_t seed = 3;
    for (const QSize size : {QSize(1, 1), QSize(17, 9), QSize(301, 203)}) {
        RgbaPicture picture{size.width(), size.height(), {}};
        picture.rgba.resize(std::size_t(size.width()) * size.height() * 4);
        for (std::size_t i = 0; i < picture.rgba.size(); ++i) {
            seed = seed * 1664525u + 1013904223u;
            picture.rgba[i] = static_cast<std::uint8_t>((i / 4 % 97) * 2 + (seed >> 29));
        }
        const QImage image(picture.rgba.data(), picture.width, picture.height, picture.width * 4,
                           QImage::Format_RGBX8888);
        for (const int quality : {-1, 0, 50, 92, 100, 150}) {
            SCOPED_TRACE(::testing::Message()
                         << size.width() << " x " << size.height() << ", quality " << quality);
            const std::string path = dir.file("straight.jpg");
            ASSERT_TRUE(writePicture(path, picture, PictureFormat::Jpeg, quality));
            QBuffer general;
            general.open(QIODevice::WriteOnly);
            QImageWriter writer(&general, "jpeg");
            writer.setQuality(quality);
            ASSERT_TRUE(writer.write(image));
            const std::vector<char> expected(general.data().begin(), general.data().end());
            EXPECT_TRUE(test::readBytes(path) == expected);
        }
    }
}

TEST(PictureWriter, WritesThroughLinksAndReplacesNothingButAFile) {
    // The same rule as a project save, with the same reasons (base/save_target.h).
    test::TempDir dir;
    const RgbaPicture picture{2, 1, {255, 0, 0, 255, 0, 0, 255, 255}};
    test::writeBytes(dir.file("real.png"), {'o', 'l', 'd'});
    ASSERT_EQ(::chmod(dir.file("real.png").c_str(), 0640), 0);
    std::filesystem::create_symlink("real.png", dir.file("shot.png"));
    ASSERT_TRUE(writePicture(dir.file("shot.png"), picture, PictureFormat::Png));
    EXPECT_EQ(std::filesystem::read_symlink(dir.file("shot.png")), "real.png");
    EXPECT_EQ(QImage(QString::fromStdString(dir.file("real.png"))).size(), QSize(2, 1));
    struct stat info {};
    ASSERT_EQ(::stat(dir.file("real.png").c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0640u);

    ASSERT_EQ(::mkfifo(dir.file("fifo.jpg").c_str(), 0600), 0);
    std::filesystem::create_symlink("missing.jpg", dir.file("dangling.jpg"));
    const auto before = std::distance(std::filesystem::directory_iterator(dir.path()),
                                      std::filesystem::directory_iterator());
    for (const auto& [name, reason] :
         {std::pair<std::string, std::string>{"fifo.jpg", "it is a FIFO (named pipe), not a file"},
          {"dangling.jpg",
           "it is a symbolic link to a missing file: " + dir.file("missing.jpg")}}) {
        EXPECT_EQ(writePicture(dir.file(name), picture, PictureFormat::Jpeg, 90).message(), reason);
    }
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()),
                            std::filesystem::directory_iterator()),
              before);
    EXPECT_TRUE(std::filesystem::is_fifo(dir.file("fifo.jpg")));
}

TEST(PictureWriter, WritesAnyNameTheFileSystemTakes) {
    test::TempDir dir;
    const RgbaPicture picture{1, 1, {0, 0, 255, 255}};
    // Not UTF-8: taken as text and back, the name would be the neighbour's, with U+FFFD.
    const std::string given = "victim\xe9.png", neighbour = "victim\xef\xbf\xbd.png";
    // As long as a name may be, written new and then over itself: a temporary name made longer
    // than the target's would not fit.
    const std::string longest = std::string(NAME_MAX - 4, 'n') + ".png";
    test::writeBytes(dir.file(neighbour), {'o', 'l', 'd'});
    for (const std::string& name : {given, longest, longest}) {
        const Status written = writePicture(dir.file(name), picture, PictureFormat::Png, 0);
        EXPECT_TRUE(written) << written.message();
        EXPECT_EQ(test::readBytes(dir.file(name)).at(1), 'P');
    }
    EXPECT_EQ(test::readBytes(dir.file(neighbour)), (std::vector<char>{'o', 'l', 'd'}));
    std::set<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(dir.path())) {
        names.insert(entry.path().filename());
    }
    EXPECT_EQ(names, (std::set<std::string>{given, neighbour, longest}));
}

TEST(PictureFormat, FollowsTheExtension) {
    EXPECT_EQ(formatForPath("a/b.JPG"), PictureFormat::Jpeg);
    EXPECT_EQ(formatForPath("b.jpeg"), PictureFormat::Jpeg);
    EXPECT_EQ(formatForPath("b.Png"), PictureFormat::Png);
    EXPECT_EQ(formatForPath("b.tif"), std::nullopt);
    EXPECT_EQ(formatForPath("dir.png/file"), std::nullopt);
    EXPECT_EQ(formatForPath("dir/.png"), std::nullopt);
    EXPECT_EQ(formatForPath("noext"), std::nullopt);
}

} // namespace
} // namespace cartonic

int main(int argc, char** argv) {
    // Image codecs are Qt plugins, loaded once an application object exists.
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
