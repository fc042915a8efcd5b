#include "render_fixture.h"

#include "render/lighting.h"
#include "render/textures.h"

#include <functional>
#include <numbers>

namespace cartonic::test {
namespace {

using SceneRender = RenderTest;

constexpr int kTolerance = 4;
constexpr float kTileTexels = 16.0f;

// Is any pixel within radius of p (a thick line may fall a pixel off the projected point)?
bool anyNear(const Picture& picture, const Pixel& p, int radius,
             const std::function<bool(const Rgb8&)>& match) {
    for (int y = p.y - radius; y <= p.y + radius; ++y) {
        for (int x = p.x - radius; x <= p.x + radius; ++x) {
            if (x >= 0 && x < picture.width && y >= 0 && y < picture.height &&
                match(picture.at(x, y))) {
                return true;
            }
        }
    }
    return false;
}

// Where the point's shadow falls on the floor, along the ray from the light.
Vec3f shadowOf(const Vec3f& p, const std::array<float, 4>& light) {
    const float k = light[2] / (light[2] - p[2]);
    return {light[0] + k * (p[0] - light[0]), light[1] + k * (p[1] - light[1]), 0.0f};
}

// Does the segment from the eye to p pass through the (scaled) box?
bool hiddenByBox(const Vec3f& eye, const Vec3f& p, const ProjectData& data) {
    const Vec3f lo = {-data.boxWidth, -data.boxDepth, 0.0f};
    const Vec3f hi = {data.boxWidth, data.boxDepth, 2.0f * data.boxHeight};
    float enter = 0.0f, leave = 0.999f; // stop short of p itself
    for (int axis = 0; axis < 3; ++axis) {
        const float d = p[axis] - eye[axis];
        if (std::abs(d) < 1e-6f) {
            if (eye[axis] < lo[axis] || eye[axis] > hi[axis]) {
                return false;
            }
            continue;
        }
        float a = (lo[axis] - eye[axis]) / d, b = (hi[axis] - eye[axis]) / d;
        if (a > b) {
            std::swap(a, b);
        }
        enter = std::max(enter, a);
        leave = std::min(leave, b);
    }
    return enter < leave;
}

// The world point at the centre of texel (row, column) of the floor tile numbered (i, j) from
// the floor's (-x, -y) corner, with the built-in pattern.
Vec3f floorTexelCentre(const ProjectData& data, int i, int j, int row, int column) {
    const float tileX = 2.0f * data.floorHalfWidth / kFloorPatternRepeat;
    const float tileY = 2.0f * data.floorHalfDepth / kFloorPatternRepeat;
    return {-data.floorHalfWidth + (i + (row + 0.5f) / kTileTexels) * tileX,
            -data.floorHalfDepth + (j + (column + 0.5f) / kTileTexels) * tileY, 0.0f};
}

TEST_F(SceneRender, BackgroundIsAVerticalGradientOrTheClearColour) {
    plainScene();
    data.showFloor = 0;
    data.setDimensions(0.1f, 0.1f, 0.1f);
    Picture p = render("gradient");
    const Rgb8 top = toRgb8(data.gradientTopColor);
    const Rgb8 bottom = toRgb8(data.gradientBottomColor);
    for (int x : {0, kPictureWidth / 2, kPictureWidth - 1}) {
        EXPECT_TRUE(colourNear(p.at(x, 0), top, kTolerance)) << "top edge at x " << x;
        EXPECT_TRUE(colourNear(p.at(x, kPictureHeight - 1), bottom, kTolerance))
            << "bottom edge at x " << x;
    }
    const Rgb8 middle = {(top.r + bottom.r) / 2, (top.g + bottom.g) / 2, (top.b + bottom.b) / 2};
    EXPECT_TRUE(colourNear(p.at(5, kPictureHeight / 2), middle, kTolerance));

    data.gradientBackground = 0;
    data.backgroundColor = {1.0f, 0.5f, 0.0f, 1.0f};
    p = render("solid");
    EXPECT_TRUE(colourNear(p.at(0, 0), {255, 128, 0}, 1));
    EXPECT_TRUE(colourNear(p.at(kPictureWidth - 1, kPictureHeight - 1), {255, 128, 0}, 1));
}

TEST_F(SceneRender, FloorPatternShowsItsOwnColoursBeforeAndAfterAPictureIsBuilt) {
    // Effects off: the floor is drawn opaque, then again at 30 percent in the same colour.
    plainScene();
    const Vec3f green = floorTexelCentre(data, 20, 20, 5, 1);
    const Vec3f grey = floorTexelCentre(data, 20, 20, 14, 14);
    const Vec3f elsewhere = floorTexelCentre(data, 20, 21, 14, 2); // another tile
    lookDownAt((green[0] + grey[0]) / 2, (green[1] + grey[1]) / 2, 3.0f);
    const Rgb8 pureGreen = {kFloorPatternGreen[0], kFloorPatternGreen[1], kFloorPatternGreen[2]};
    const Rgb8 pureGrey = {kFloorPatternGrey[0], kFloorPatternGrey[1], kFloorPatternGrey[2]};

    auto check = [&](const Picture& p, const char* when) {
        ASSERT_TRUE(project(green).inside && project(grey).inside);
        EXPECT_TRUE(colourNear(p.at(project(green)), pureGreen, kTolerance)) << when;
        EXPECT_TRUE(colourNear(p.at(project(grey)), pureGrey, kTolerance)) << when;
    };
    check(render("decal"), "before any picture (decal)");

    // A face picture is drawn modulated; the floor is drawn unlit in white, so its colours stay
    // as they are.
    SlotImage picture{QImage(2, 2, QImage::Format_RGBX8888)};
    picture.image.fill(Qt::red);
    images[Front] = picture;
    check(render("modulate"), "after a picture was drawn (modulate)");
    GLint env = 0;
    glGetTexEnviv(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, &env);
    EXPECT_EQ(env, GL_MODULATE);

    // Without floor texturing the floor is plain white.
    data.floorTextureEnabled = 0;
    const Picture plain = render("untextured");
    EXPECT_TRUE(colourNear(plain.at(project(green)), {255, 255, 255}, 1));
    EXPECT_TRUE(colourNear(plain.at(project(elsewhere)), {255, 255, 255}, 1));
}

TEST_F(SceneRender, FloorPictureCoversTheFloorOnce) {
    plainScene();
    // A 2 x 2 picture: texel rows run along x (t), columns along y (s).
    SlotImage picture{QImage(2, 2, QImage::Format_RGBX8888)};
    picture.image.setPixelColor(0, 0, Qt::red);   // s 0, t 0: the (-x, -y) quarter
    picture.image.setPixelColor(1, 0, Qt::green); // s 1, t 0: the (-x, +y) quarter
    picture.image.setPixelColor(0, 1, Qt::blue);  // s 0, t 1: the (+x, -y) quarter
    picture.image.setPixelColor(1, 1, Qt::white);
    images[kFloorSlot] = picture;
    data.floorHalfWidth = data.floorHalfDepth = 4.0f;
    lookDownAt(0.0f, 0.0f, 14.0f);
    data.setDimensions(0.05f, 0.05f, 0.05f);
    const Picture p = render("picture");
    EXPECT_TRUE(colourNear(p.at(project({-2, -2, 0})), {255, 0, 0}, kTolerance));
    EXPECT_TRUE(colourNear(p.at(project({-2, 2, 0})), {0, 255, 0}, kTolerance));
    EXPECT_TRUE(colourNear(p.at(project({2, -2, 0})), {0, 0, 255}, kTolerance));
    EXPECT_TRUE(colourNear(p.at(project({2, 2, 0})), {255, 255, 255}, kTolerance));
}

TEST_F(SceneRender, SelectionOutlineFollowsShowSelectionAndHideOverlays) {
    data.selectedFace = Front;
    const Vec3f topEdge = {0.0f, -data.boxDepth, 2.0f * data.boxHeight};
    const Pixel edge = project(topEdge);
    ASSERT_TRUE(edge.inside);

    EXPECT_TRUE(anyNear(render("on"), edge, 1, isMarkerRed)) << "red outline at " << edge;

    data.showSelection = 0;
    EXPECT_FALSE(anyNear(render("selection-off"), edge, 2, isMarkerRed));

    data.showSelection = 1;
    data.hideOverlays = 1;
    EXPECT_FALSE(anyNear(render("overlays-hidden"), edge, 2, isMarkerRed));

    // A record from a file may select a slot that is no face: no outline and no fault.
    data.hideOverlays = 0;
    for (std::int32_t selected : {-1, kFloorSlot, 1000}) {
        data.selectedFace = selected;
        EXPECT_FALSE(anyNear(render("bad-selection"), edge, 2, isMarkerRed)) << selected;
    }
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}

TEST_F(SceneRender, AnOutlinedFaceLeavesAFadingReflectionsColoursAlone) {
    // The outline is the only difference the selection makes, faded or not.
    data.selectedFace = Front;
    const auto outlineDifference = [&](float fade) {
        look.reflectionFade = fade;
        data.showSelection = 1;
        const Picture outlined = render("outlined");
        data.showSelection = 0;
        const Picture plain = render("plain");
        int changed = 0;
        for (std::size_t i = 0; i < plain.rgba.size(); i += 4) {
            changed += std::abs(outlined.rgba[i + 1] - plain.rgba[i + 1]) > 8;
        }
        return changed;
    };
    EXPECT_LE(outlineDifference(1.0f), outlineDifference(0.0f));
}

TEST_F(SceneRender, LightMarkerFollowsLightAngleAndHidesWithOverlays) {
    data.setDimensions(0.25f, 0.25f, 0.25f); // keep the box out of the way
    data.showSelection = 0;
    const float angleA = 0.70f * std::numbers::pi_v<float>;
    const float angleB = 0.85f * std::numbers::pi_v<float>;

    data.lightAngle = angleA;
    moveLight();
    const Pixel markerA =
        project({data.lightPosition[0], data.lightPosition[1], data.lightPosition[2]});
    const Picture a = render("angle-a");
    data.lightAngle = angleB;
    moveLight();
    const Pixel markerB =
        project({data.lightPosition[0], data.lightPosition[1], data.lightPosition[2]});
    const Picture b = render("angle-b");
    ASSERT_TRUE(markerA.inside && markerB.inside);
    ASSERT_GT(std::abs(markerA.x - markerB.x), 10) << "the two angles are told apart";

    EXPECT_TRUE(isMarkerRed(a.at(markerA))) << a.at(markerA);
    EXPECT_FALSE(isMarkerRed(a.at(markerB))) << a.at(markerB);
    EXPECT_TRUE(isMarkerRed(b.at(markerB))) << b.at(markerB);
    EXPECT_FALSE(isMarkerRed(b.at(markerA))) << b.at(markerA);

    data.hideOverlays = 1;
    EXPECT_FALSE(anyNear(render("hidden"), markerB, 3, isMarkerRed));
}

TEST_F(SceneRender, FrontFaceIsLitFromTheSideTheLightIsOn) {
    plainScene();
    const Pixel centre = project({0.0f, -data.boxDepth, data.boxHeight});
    const float defaultAngle = data.lightAngle; // in front of the box
    auto brightness = [&](const Picture& p) {
        const Rgb8 c = p.at(centre);
        return c.r + c.g + c.b;
    };
    moveLight();
    const int lit = brightness(render("light-front"));
    data.lightAngle = defaultAngle + std::numbers::pi_v<float>;
    moveLight();
    const int unlit = brightness(render("light-behind"));
    EXPECT_GT(lit, unlit + 60);

    // lightingEnabled acts only through applyLight; every frame lights the box itself.
    data.lightAngle = defaultAngle;
    data.lightingEnabled = 0;
    moveLight();
    EXPECT_NEAR(brightness(render("lighting-disabled")), lit, 3);
}

class ShadowRender : public RenderTest {
protected:
    void SetUp() override {
        RenderTest::SetUp();
        // A short box, the light behind it so the shadow falls towards the camera, a plain
        // floor over a solid background: floor and shadow each have one colour.
        data.setDimensions(2.5f, 1.25f, 2.0f);
        data.lightAngle = 0.75f * std::numbers::pi_v<float>;
        moveLight();
        data.showReflection = 0;
        data.hideOverlays = 1;
        data.gradientBackground = 0;
        data.backgroundColor = {0.2f, 0.4f, 0.6f, 1.0f};
        data.floorTextureEnabled = 0;
        stepBack(12.0f);
        const auto overBackground = [](int channel) {
            return static_cast<int>(std::lround(kTranslucentFloorAlpha * 255 +
                                                (1.0f - kTranslucentFloorAlpha) * channel));
        };
        floorColour = {overBackground(background.r), overBackground(background.g),
                       overBackground(background.b)};
        shadowColour = {floorColour.r / 2, floorColour.g / 2, floorColour.b / 2};
    }

    Vec3f shadowPoint(const Vec3f& p) const { return shadowOf(p, data.lightPosition); }

    const Rgb8 background = {51, 102, 153};
    Rgb8 floorColour{};
    Rgb8 shadowColour{};
};

TEST_F(ShadowRender, ShadowDarkensTheFloorOnceWhereFaceShadowsOverlap) {
    // Every ray from the light through the box crosses two faces, so each of these shadow points
    // lies under the shadows of at least two faces.
    const std::vector<Vec3f> inShadow = {
        shadowPoint({0.0f, 0.0f, 2.0f}),  shadowPoint({0.0f, 0.0f, 3.0f}),
        shadowPoint({1.5f, -0.5f, 3.5f}), shadowPoint({-1.0f, 0.5f, 3.8f}),
        shadowPoint({2.0f, 1.0f, 2.5f}),  shadowPoint({-2.0f, -1.0f, 3.0f}),
    };
    const std::vector<Vec3f> lit = {{-3.0f, -3.0f, 0.0f}, {5.0f, 3.0f, 0.0f}};
    const Picture p = render("shadow");
    for (const Vec3f& point : inShadow) {
        ASSERT_TRUE(project(point).inside) << point[0] << ", " << point[1];
        ASSERT_FALSE(hiddenByBox(camera.eye, point, data)) << point[0] << ", " << point[1];
        EXPECT_TRUE(colourNear(p.at(project(point)), shadowColour, kTolerance))
            << "shadow at (" << point[0] << ", " << point[1] << ") " << project(point);
    }
    for (const Vec3f& point : lit) {
        ASSERT_TRUE(project(point).inside);
        EXPECT_TRUE(colourNear(p.at(project(point)), floorColour, kTolerance))
            << "lit floor at (" << point[0] << ", " << point[1] << ")";
    }
}

TEST_F(ShadowRender, ShadowStaysOnTheFloor) {
    const Vec3f onFloor = shadowPoint({0.0f, 0.0f, 2.0f});
    const Vec3f offFloor = shadowPoint({0.0f, 0.0f, 3.0f});
    data.floorHalfWidth = data.floorHalfDepth = 3.0f;
    ASSERT_LT(std::max(std::abs(onFloor[0]), std::abs(onFloor[1])), 2.8f);
    ASSERT_GT(std::max(std::abs(offFloor[0]), std::abs(offFloor[1])), 3.2f);

    ASSERT_TRUE(project(onFloor).inside && project(offFloor).inside);
    Picture p = render("small-floor");
    EXPECT_TRUE(colourNear(p.at(project(onFloor)), shadowColour, kTolerance));
    EXPECT_TRUE(colourNear(p.at(project(offFloor)), background, 1)) << "no shadow off the floor";

    // A hidden floor takes no shadow at all.
    data.showFloor = 0;
    p = render("no-floor");
    EXPECT_TRUE(colourNear(p.at(project(onFloor)), background, 1));
}

TEST_F(ShadowRender, ShadowLeavesTheBoxAlone) {
    // The shadow is pulled towards the eye to win over the floor; along the box's base, where the
    // box stands in front of the floor, it must still not darken the box: the face's pixels just
    // above its bottom edge have the colour of its middle (flat shading, no picture).
    const Picture p = render("shadow");
    const Rgb8 face = p.at(project({0.0f, -data.boxDepth, data.boxHeight}));
    for (float x = -2.4f; x <= 2.4f; x += 0.2f) {
        const Pixel base = project({x, -data.boxDepth, 0.0f});
        ASSERT_TRUE(base.inside);
        EXPECT_TRUE(colourNear(p.at(base.x, base.y - 1), face, kTolerance)) << base;
    }
}

TEST_F(SceneRender, MirrorImageIsClippedToTheFloorWhenTheFloorIsHidden) {
    data.showFloor = 0;
    data.showShadow = 0;
    data.hideOverlays = 1;
    data.gradientBackground = 0;
    data.backgroundColor = {0.2f, 0.4f, 0.6f, 1.0f};
    const Rgb8 background = {51, 102, 153};
    data.floorHalfWidth = data.floorHalfDepth = 4.0f;
    stepBack(12.0f);

    // Where the eye sees a point of the mirrored front face through the floor plane.
    const Vec3f eye = camera.eye;
    auto throughFloor = [&](const Vec3f& p) {
        const float k = eye[2] / (eye[2] - p[2]);
        return Vec3f{eye[0] + k * (p[0] - eye[0]), eye[1] + k * (p[1] - eye[1]), 0.0f};
    };
    const Vec3f inside = {0.0f, -data.boxDepth, -1.5f};
    const Vec3f outside = {0.0f, -data.boxDepth, -6.0f};
    ASSERT_LT(std::max(std::abs(throughFloor(inside)[0]), std::abs(throughFloor(inside)[1])), 3.5f);
    ASSERT_GT(std::max(std::abs(throughFloor(outside)[0]), std::abs(throughFloor(outside)[1])),
              4.5f);

    ASSERT_TRUE(project(inside).inside && project(outside).inside);
    const Picture p = render("mirror-clipped");
    EXPECT_GT(maxChannelDifference(p.at(project(inside)), background), 30)
        << "the mirror image shows inside the floor's rectangle";
    EXPECT_TRUE(colourNear(p.at(project(outside)), background, 1)) << "and nowhere outside it";

    data.showReflection = 0;
    EXPECT_TRUE(colourNear(render("no-reflection").at(project(inside)), background, 1));
}

TEST_F(SceneRender, DefaultFrameDrawsEveryPart) {
    data.selectedFace = Front;
    const Picture p = render("default");
    EXPECT_TRUE(colourNear(p.at(kPictureWidth / 2, 0), toRgb8(data.gradientTopColor), kTolerance));
    // The front face is lit grey, neither background nor floor.
    const Rgb8 face = p.at(project({0.0f, -data.boxDepth, data.boxHeight}));
    EXPECT_LT(std::abs(face.r - face.g), 10) << face;
    EXPECT_GT(face.r, 100) << face;
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}

} // namespace
} // namespace cartonic::test
