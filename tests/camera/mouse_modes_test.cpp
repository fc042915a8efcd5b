#include "camera/mouse_modes.h"
#include "support/vec3_checks.h"

#include <gtest/gtest.h>

#include <cmath>
#include <memory>

namespace cartonic {
namespace {

using test::length;

// A view of the given size with the start camera and the start box, as after view creation.
struct View {
    Camera camera = Camera::startUp();
    MouseModes mouse;
    std::unique_ptr<ProjectData> data = std::make_unique<ProjectData>();

    View(int width, int height) {
        mouse.resize(width, height, camera);
        mouse.applyBoxUnits(*data);
    }
    DragEffect move(int x, int y) { return mouse.mouseMoved(x, y, camera, *data); }
};

TEST(MouseModes, StartStateAndSize) {
    View view(800, 400);
    EXPECT_EQ(view.mouse.mouseMode, MouseMode::RotateCamera);
    EXPECT_EQ(static_cast<int>(MouseMode::RotateLight), 5);
    EXPECT_EQ(view.mouse.clientWidth, 800);
    EXPECT_EQ(view.mouse.clientHeight, 400);
    EXPECT_EQ(view.camera.aspect, 2.0f);
    EXPECT_EQ(view.data->boxWidth, 2.5f);
    EXPECT_EQ(view.data->boxDepth, 1.25f);
    EXPECT_EQ(view.data->boxHeight, 5.0f);
    EXPECT_NE(view.data->faceSlots[Front].vertices[0].x, 0.0f) << "geometry written";
}

TEST(MouseModes, ButtonsAreTrackedEachByItself) {
    View view(500, 500);
    const Camera before = view.camera;
    EXPECT_FALSE(view.move(10, 10).needsRedraw) << "a move with no button down does nothing";

    view.mouse.leftButtonPressed(100, 100);
    view.mouse.rightButtonPressed(120, 130);
    EXPECT_EQ(view.mouse.lastMouseX, 120);
    EXPECT_EQ(view.mouse.lastMouseY, 130);

    // With both down the left button's mode wins: a turn, and the stored point follows.
    EXPECT_TRUE(view.move(110, 130).needsRedraw);
    EXPECT_NE(view.camera.rotation, before.rotation);
    EXPECT_EQ(view.mouse.lastMouseX, 110);

    // Releasing the right button leaves the left drag going on.
    view.mouse.rightButtonReleased();
    EXPECT_EQ(view.mouse.leftButtonDown, 1);
    EXPECT_TRUE(view.move(100, 130).needsRedraw);

    view.mouse.leftButtonReleased();
    EXPECT_EQ(view.mouse.leftButtonDown, 0);
    const Camera after = view.camera;
    EXPECT_FALSE(view.move(0, 0).needsRedraw);
    EXPECT_EQ(view.camera.eye, after.eye);
}

TEST(MouseModes, DoubleClickStartsNothing) {
    View view(500, 500);
    view.mouse.leftButtonPressed(50, 50);
    view.mouse.leftButtonReleased();
    view.mouse.buttonDoubleClicked();
    const Camera before = view.camera;
    EXPECT_FALSE(view.move(200, 300).needsRedraw);
    EXPECT_EQ(view.camera.rotation, before.rotation);
    EXPECT_EQ(view.mouse.leftButtonDown, 0);
}

TEST(MouseModes, CameraTurnYawsSidewaysAndPitchesUpDown) {
    View view(700, 350);
    view.mouse.leftButtonPressed(300, 200);
    const float distance = length({view.camera.eye[0] - view.camera.target[0],
                                   view.camera.eye[1] - view.camera.target[1],
                                   view.camera.eye[2] - view.camera.target[2]});

    // Straight sideways, 100 pixels left of 700: a yaw of 0.5 rad, the eye's height stays.
    Camera expected = view.camera;
    expected.yaw(100.0f / 700.0f * 3.5f);
    EXPECT_TRUE(view.move(200, 200).needsRedraw);
    EXPECT_EQ(view.camera.eye, expected.eye);
    EXPECT_EQ(view.camera.rotation, expected.rotation);
    EXPECT_NEAR(view.camera.eye[2], 9.0f, 1e-4f);

    // Straight up only pitches.
    expected.pitch(35.0f / 350.0f * 3.5f);
    EXPECT_TRUE(view.move(200, 165).needsRedraw);
    EXPECT_EQ(view.camera.rotation, expected.rotation);
    EXPECT_GT(view.camera.eye[2], 9.0f);

    // Diagonal: yaw first, then pitch.
    expected.yaw(-7.0f / 700.0f * 3.5f);
    expected.pitch(-14.0f / 350.0f * 3.5f);
    EXPECT_TRUE(view.move(207, 179).needsRedraw);
    EXPECT_EQ(view.camera.rotation, expected.rotation);
    EXPECT_NEAR(length({view.camera.eye[0] - view.camera.target[0],
                        view.camera.eye[1] - view.camera.target[1],
                        view.camera.eye[2] - view.camera.target[2]}),
                distance, 1e-3f);

    // No movement: nothing to redraw.
    EXPECT_FALSE(view.move(207, 179).needsRedraw);
    EXPECT_EQ(view.camera.rotation, expected.rotation);
}

TEST(MouseModes, BoxStretchWorksInUnitsAndLimitsBothEnds) {
    View view(350, 35); // 1 pixel up is 0.1 unit of depth or height, 1 pixel left 0.01 of width
    view.mouse.mouseMode = MouseMode::AdjustDepth;

    // 0.25 - 0.3 = -0.05: back to 0.2, so the depth is 1.0.
    view.mouse.leftButtonPressed(10, 10);
    EXPECT_TRUE(view.move(10, 13).needsRedraw);
    EXPECT_EQ(view.mouse.boxUnitDepth, 0.2f);
    EXPECT_EQ(view.data->boxDepth, 1.0f);

    // 0.25 - 0.1 = 0.15 lies between 0 and the minimum and is kept: a depth of 0.75.
    view.data->boxDepth = 1.25f;
    EXPECT_TRUE(view.move(10, 14).needsRedraw);
    EXPECT_NEAR(view.mouse.boxUnitDepth, 0.15f, 1e-6f);
    EXPECT_NEAR(view.data->boxDepth, 0.75f, 1e-5f);

    // Up makes the height grow, and it stops at 10 units: a height of 50.
    view.mouse.mouseMode = MouseMode::AdjustHeight;
    view.move(10, -20); // +3.4 units
    EXPECT_NEAR(view.data->boxHeight, 5.0f * 4.4f, 1e-4f);
    view.move(10, -200);
    EXPECT_EQ(view.mouse.boxUnitHeight, 10.0f);
    EXPECT_EQ(view.data->boxHeight, 50.0f);
    view.move(10, -300);
    EXPECT_EQ(view.data->boxHeight, 50.0f);

    // Width follows leftward movement only.
    view.mouse.mouseMode = MouseMode::AdjustWidth;
    view.move(-40, -300);
    EXPECT_NEAR(view.data->boxWidth, 5.0f * (0.5f + 0.5f), 1e-5f);

    // Sizes another project brought are where the drag goes on from; the other two sides keep
    // every bit.
    view.data->setDimensions(1.0f, 9.1f, 7.3f);
    EXPECT_TRUE(view.move(-50, 0).needsRedraw); // 10 pixels left: +0.1 unit
    EXPECT_NEAR(view.data->boxWidth, 5.0f * (0.2f + 0.1f), 1e-5f);
    EXPECT_EQ(view.data->boxDepth, 9.1f);
    EXPECT_EQ(view.data->boxHeight, 7.3f);
}

TEST(MouseModes, LightMoveIsPerPixelAndUnlimited) {
    View view(100, 100);
    view.data->lightAngle = 1.0f;
    view.data->lightHeight = 2.0f;
    view.mouse.mouseMode = MouseMode::RotateLight;
    view.mouse.leftButtonPressed(500, 500);

    const DragEffect effect = view.move(420, 460); // 80 left, 40 up
    EXPECT_TRUE(effect.needsRedraw);
    EXPECT_TRUE(effect.lightChanged);
    EXPECT_EQ(view.data->lightAngle, 1.0f + 80.0f * 0.0125f);
    EXPECT_EQ(view.data->lightHeight, 2.0f + 40.0f * 0.025f);
    EXPECT_NEAR(view.data->lightPosition[0], 12.0f * std::cos(2.0f), 1e-5f);
    EXPECT_EQ(view.data->lightPosition[2], 3.0f);
    EXPECT_EQ(view.mouse.lastMouseX, 420);

    view.move(420, 10'000);
    EXPECT_EQ(view.data->lightHeight, 3.0f - 9540.0f * 0.025f) << "no lower limit";
}

TEST(MouseModes, RightDragZoomsFromThePressPointWithinBounds) {
    View view(500, 500);
    view.mouse.rightButtonPressed(250, 250);
    const Camera start = view.camera;

    // 10 pixels above the press point: 0.03 units towards the target on every move.
    EXPECT_TRUE(view.move(250, 240).needsRedraw);
    EXPECT_EQ(view.mouse.lastMouseY, 250) << "the zoom keeps measuring from the press";
    Camera expected = start;
    expected.dolly(0.03f);
    EXPECT_EQ(view.camera.eye, expected.eye);
    view.move(250, 240);
    expected.dolly(0.03f);
    EXPECT_EQ(view.camera.eye, expected.eye);
    EXPECT_NEAR(length({start.eye[0] - view.camera.eye[0], start.eye[1] - view.camera.eye[1],
                        start.eye[2] - view.camera.eye[2]}),
                0.06f, 1e-5f);
    EXPECT_EQ(view.camera.target, start.target);

    // Zooming in stops within 6.5 units of the origin (the target is (0, 0, 5)).
    for (int i = 0; i < 1000; ++i) {
        view.move(250, 0);
    }
    const float nearest = length(view.camera.eye);
    EXPECT_LE(nearest, 6.5f);
    EXPECT_GT(nearest, 6.5f - 1.0f) << "one step may cross the bound, no more";
    EXPECT_FALSE(view.move(250, 0).needsRedraw);
    EXPECT_TRUE(view.move(250, 300).needsRedraw) << "zooming out is still allowed";
}

TEST(MouseModes, ZoomAt31UnitsOnlyGoesIn) {
    View view(500, 500);
    view.camera.eye = {31.0f, 0.0f, 0.0f};
    view.camera.target = {0.0f, 0.0f, 0.0f};
    view.mouse.rightButtonPressed(100, 100);

    EXPECT_FALSE(view.move(100, 150).needsRedraw) << "below the press point: nothing";
    EXPECT_EQ(view.camera.eye[0], 31.0f);

    EXPECT_TRUE(view.move(100, 50).needsRedraw);
    EXPECT_NEAR(view.camera.eye[0], 31.0f - 0.15f, 1e-5f);

    // Purely sideways (u = 0) zooms out, even at the far bound.
    view.camera.eye = {31.0f, 0.0f, 0.0f};
    EXPECT_TRUE(view.move(50, 100).needsRedraw);
    EXPECT_NEAR(view.camera.eye[0], 31.0f + 0.15f, 1e-5f);
}

TEST(MouseModes, AViewWithNoAreaIgnoresDrags) {
    View view(0, 0);
    view.mouse.leftButtonPressed(0, 0);
    const Camera before = view.camera;
    EXPECT_FALSE(view.move(5, 5).needsRedraw);
    EXPECT_EQ(view.camera.rotation, before.rotation);
    EXPECT_FALSE(std::isnan(view.camera.eye[0]));
}

} // namespace
} // namespace cartonic
