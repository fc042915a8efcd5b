#pragma once

// A headless context and offscreen target per test, set up as the view sets up its context,
// with the start-up camera. Pictures are probed at pixels found by projecting world points
// through the camera's own matrix, with a tolerance (llvmpipe rounds differently from other
// drivers). Every picture a failing test rendered is saved as PNG and its path printed.

#include "camera/camera.h"
#include "gl/headless_context.h"
#include "gl/offscreen_target.h"
#include "model/project_data.h"
#include "render/gl_state.h"
#include "render/lighting.h"
#include "render/scene_renderer.h"
#include "render/scene_textures.h"

#include <QImage>

#include <gtest/gtest.h>

#include <GL/gl.h>

#include <array>
#include <cmath>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace cartonic::test {

using Vec3f = std::array<float, 3>;

struct Rgb8 {
    int r, g, b;
};

inline std::ostream& operator<<(std::ostream& out, const Rgb8& c) {
    return out << "(" << c.r << ", " << c.g << ", " << c.b << ")";
}

struct Pixel {
    int x = 0;
    int y = 0; // rows from the top of the picture
    bool inside = false;
};

inline std::ostream& operator<<(std::ostream& out, const Pixel& p) {
    return out << "pixel (" << p.x << ", " << p.y << ")";
}

struct Picture {
    int width = 0;
    int height = 0;
    std::vector<std::uint8_t> rgba; // top row first

    Rgb8 at(const Pixel& p) const {
        if (p.x < 0 || p.x >= width || p.y < 0 || p.y >= height) {
            ADD_FAILURE() << p << " is outside the picture";
            return {-1, -1, -1};
        }
        const std::size_t i = (static_cast<std::size_t>(p.y) * width + p.x) * 4;
        return {rgba[i], rgba[i + 1], rgba[i + 2]};
    }
    Rgb8 at(int x, int y) const { return at(Pixel{x, y, true}); }

    QImage toImage() const {
        return QImage(rgba.data(), width, height, width * 4, QImage::Format_RGBX8888).copy();
    }
};

inline int maxChannelDifference(const Rgb8& a, const Rgb8& b) {
    return std::max({std::abs(a.r - b.r), std::abs(a.g - b.g), std::abs(a.b - b.b)});
}

inline ::testing::AssertionResult colourNear(const Rgb8& actual, const Rgb8& expected,
                                             int tolerance) {
    if (maxChannelDifference(actual, expected) <= tolerance) {
        return ::testing::AssertionSuccess();
    }
    return ::testing::AssertionFailure()
           << "colour " << actual << " is not within " << tolerance << " of " << expected;
}

inline bool isMarkerRed(const Rgb8& c) {
    return c.r > 200 && c.g < 60 && c.b < 60;
}

inline Rgb8 toRgb8(const Rgba& colour) {
    return {static_cast<int>(std::lround(colour[0] * 255)),
            static_cast<int>(std::lround(colour[1] * 255)),
            static_cast<int>(std::lround(colour[2] * 255))};
}

inline constexpr int kPictureWidth = 320;
inline constexpr int kPictureHeight = 240;

class RenderTest : public ::testing::Test {
protected:
    void SetUp() override {
        auto context = gl::HeadlessContext::create();
        ASSERT_TRUE(context) << context.status.message();
        context_ = std::move(context.value);
        auto target = gl::OffscreenTarget::create(kPictureWidth, kPictureHeight);
        ASSERT_TRUE(target) << target.status.message();
        target_ = std::move(target.value);
        data.setDimensions(kStartBoxWidth, kStartBoxDepth, kStartBoxHeight);
        initGLState(data);
        camera = Camera::startUp();
        camera.setViewSize(kPictureWidth, kPictureHeight);
    }

    void TearDown() override {
        if (HasFailure() || std::getenv("CARTONIC_KEEP_RENDERS")) {
            savePictures();
        }
        resources_.release();
        target_.reset();
        context_.reset();
    }

    // What render draws beside the record: the scene's look, and the light's point for the shadow.
    SceneLook look;
    std::array<float, 2> lightDisc{};

    // Applies the camera, draws a frame of data and reads it back; label names the saved PNG.
    Picture render(const std::string& label) {
        camera.applyProjection();
        resources_.update(data, images);
        drawFrame(data, resources_.names(),
                  {.outlinedFace = selectionOutline(data), .look = look, .lightDisc = lightDisc});
        Picture picture{kPictureWidth, kPictureHeight, target_->readRgba()};
        rendered_.emplace_back(label, picture);
        return picture;
    }

    // Where a world point lands in the picture, through the camera's projection matrix.
    Pixel project(const Vec3f& p) const {
        const std::array<float, 16> m = camera.projectionMatrix();
        float clip[4];
        for (int row = 0; row < 4; ++row) {
            clip[row] = m[row] * p[0] + m[4 + row] * p[1] + m[8 + row] * p[2] + m[12 + row];
        }
        Pixel pixel;
        if (clip[3] <= 0.0f) {
            return pixel;
        }
        const float nx = clip[0] / clip[3];
        const float ny = clip[1] / clip[3];
        pixel.x = static_cast<int>(std::floor((nx + 1.0f) * 0.5f * kPictureWidth));
        pixel.y = static_cast<int>(std::floor((1.0f - ny) * 0.5f * kPictureHeight));
        pixel.inside =
            pixel.x >= 0 && pixel.x < kPictureWidth && pixel.y >= 0 && pixel.y < kPictureHeight;
        return pixel;
    }

    // Puts the light where its angle and height say and loads it, as a light drag does.
    void moveLight() {
        data.updateLightPosition();
        applyLight(data);
    }

    // Moves the start-up camera back along its line of sight, to see more of the floor.
    void stepBack(float distance) { camera.dolly(-distance); }

    // A camera straight above (x, y), height units up, looking down at the floor.
    void lookDownAt(float x, float y, float height) {
        camera = Camera{};
        camera.upVector = kStartUpVector;
        camera.moveBy(x, y, height);
        camera.lookAt(x, y, 0.0f);
        camera.setViewSize(kPictureWidth, kPictureHeight);
    }

    // Effects, overlays and gradient off, so only the box and what a test switches on show.
    void plainScene() {
        data.showReflection = 0;
        data.showShadow = 0;
        data.hideOverlays = 1;
    }

    // The context's objects for data and images, as the next frame draws them.
    const SceneTextures& prepare() {
        resources_.update(data, images);
        return resources_.names();
    }

    ProjectData data;
    SlotImages images;
    Camera camera;

private:
    void savePictures() const {
        const std::filesystem::path folder = CARTONIC_RENDER_TEST_OUTPUT;
        std::error_code ec;
        std::filesystem::create_directories(folder, ec);
        const ::testing::TestInfo* info = ::testing::UnitTest::GetInstance()->current_test_info();
        for (const auto& [label, picture] : rendered_) {
            const std::filesystem::path file = folder / (std::string(info->test_suite_name()) +
                                                         "." + info->name() + "." + label + ".png");
            if (picture.toImage().save(QString::fromStdString(file.string()), "PNG")) {
                std::cout << "rendered picture saved: " << file.string() << '\n';
            }
        }
    }

    std::unique_ptr<gl::HeadlessContext> context_;
    std::unique_ptr<gl::OffscreenTarget> target_;
    SceneResources resources_;
    std::vector<std::pair<std::string, Picture>> rendered_;
};

} // namespace cartonic::test
