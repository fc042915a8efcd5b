#include "render_fixture.h"

#include "render/lighting.h"
#include "render/textures.h"

#include <numbers>

namespace cartonic::test {
namespace {

using FaceTexture = RenderTest;

enum Corner { TL, TR, BL, BR, Unclear };
const char* const kCornerNames[] = {"top-left", "top-right", "bottom-left", "bottom-right",
                                    "unclear"};

// Which picture corner a lit (so darkened) texel came from, by its hue.
Corner classify(const Rgb8& c) {
    const float top = static_cast<float>(std::max({c.r, c.g, c.b, 1}));
    const float r = c.r / top, g = c.g / top, b = c.b / top;
    const std::array<std::array<float, 3>, 4> reference = {
        {{1, 0, 0}, {0, 1, 0}, {0, 0, 1}, {1, 1, 1}}};
    for (int k = 0; k < 4; ++k) {
        const float d = std::abs(r - reference[k][0]) + std::abs(g - reference[k][1]) +
                        std::abs(b - reference[k][2]);
        if (d < 0.6f) {
            return static_cast<Corner>(k);
        }
    }
    return Unclear;
}

// Red, green, blue and white corners, as a loaded picture would hold them.
SlotImage cornerPicture() {
    SlotImage picture{QImage(2, 2, QImage::Format_RGBX8888)};
    picture.image.setPixelColor(0, 0, Qt::red);
    picture.image.setPixelColor(1, 0, Qt::green);
    picture.image.setPixelColor(0, 1, Qt::blue);
    picture.image.setPixelColor(1, 1, Qt::white);
    return picture;
}

class FrontFace : public RenderTest {
protected:
    void SetUp() override {
        RenderTest::SetUp();
        plainScene();
        data.showFloor = 0;
        images[Front] = cornerPicture();
    }

    // The front face point at texture coordinates (s, t) of its unturned picture.
    Pixel at(float s, float t) const {
        return project({-data.boxWidth + 2.0f * data.boxWidth * s, -data.boxDepth,
                        2.0f * data.boxHeight * (1.0f - t)});
    }

    // The picture corner seen in each quarter of the face, as seen from outside.
    std::array<Corner, 4> quarters(const Picture& p) const {
        return {classify(p.at(at(0.25f, 0.25f))), classify(p.at(at(0.75f, 0.25f))),
                classify(p.at(at(0.25f, 0.75f))), classify(p.at(at(0.75f, 0.75f)))};
    }
};

TEST_F(FrontFace, EachOrientationMovesThePictureCornersToTheirPlace) {
    struct Case {
        std::int32_t orientation;
        std::array<Corner, 4> seen; // in the face's top-left, top-right, bottom-left, bottom-right
    };
    const Case cases[] = {
        {AsLoaded, {TL, TR, BL, BR}},
        {FlipHorizontal, {BL, BR, TL, TR}},
        {FlipVertical, {TR, TL, BR, BL}},
        {Turn90, {TR, BR, TL, BL}},
        {Turn180, {BR, BL, TR, TL}},
        {Turn270, {BL, TL, BR, TR}},
        {9, {TL, TR, BL, BR}},
    };
    for (const Case& c : cases) {
        data.faceSlots[Front].orientation = c.orientation;
        const std::array<Corner, 4> seen =
            quarters(render("orientation-" + std::to_string(c.orientation)));
        for (int k = 0; k < 4; ++k) {
            EXPECT_EQ(seen[k], c.seen[k])
                << "orientation " << c.orientation << ": the face's " << kCornerNames[k]
                << " shows the picture's " << kCornerNames[seen[k]] << ", expected "
                << kCornerNames[c.seen[k]];
        }
    }
}

TEST_F(FrontFace, WithoutItsPictureAFaceShowsItsMaterialColours) {
    FaceSlot& front = data.faceSlots[Front];
    front.ambientColor = {0.0f, 0.0f, 1.0f, 1.0f};
    front.diffuseColor = {0.0f, 0.0f, 1.0f, 1.0f};
    front.specularColor = {0.0f, 0.0f, 0.0f, 1.0f};
    const Pixel centre = at(0.5f, 0.5f);
    const Pixel redQuarter = at(0.25f, 0.25f);
    auto isBlueMaterial = [](const Rgb8& c) {
        return c.b > c.r + 50 && c.b > c.g + 50;
    };

    const Picture shown = render("texture-shown");
    EXPECT_EQ(classify(shown.at(redQuarter)), TL);

    front.showTexture = 0;
    const Picture hidden = render("texture-hidden");
    EXPECT_TRUE(isBlueMaterial(hidden.at(centre))) << hidden.at(centre);
    EXPECT_TRUE(isBlueMaterial(hidden.at(redQuarter))) << hidden.at(redQuarter);

    front.showTexture = 1;
    images[Front] = SlotImage{};
    const Picture none = render("no-texture");
    EXPECT_TRUE(colourNear(none.at(redQuarter), hidden.at(redQuarter), 2));
}

TEST_F(FrontFace, PictureIsShadedByTheLight) {
    // Once a picture is built the context modulates textures by the lit colour, so the white
    // quarter is darker when the light is behind the box.
    const Pixel whiteQuarter = at(0.75f, 0.75f);
    const Rgb8 lit = render("light-front").at(whiteQuarter);
    data.lightAngle += std::numbers::pi_v<float>;
    moveLight();
    const Rgb8 unlit = render("light-behind").at(whiteQuarter);
    EXPECT_EQ(classify(lit), BR);
    EXPECT_EQ(classify(unlit), BR);
    EXPECT_GT(lit.r + lit.g + lit.b, unlit.r + unlit.g + unlit.b + 60) << lit << " " << unlit;
}

// Where each face's picture lies, as the unit box's texture coordinates lay it: the face's centre
// on the unit box, and the directions in which the picture's left-to-right (s) and top-to-bottom
// (t) run. Side faces show their pictures upright from outside, and so does the bottom seen from
// below with the front edge farthest; the top, seen from above with the front edge nearest,
// shows its picture mirrored top to bottom (its top row along the front edge), as stored
// projects have it.
struct FaceLayout {
    Face face;
    Vec3f centre;
    Vec3f right;
    Vec3f down;
};
constexpr FaceLayout kFaceLayouts[] = {
    {Top, {0, 0, 2}, {1, 0, 0}, {0, 1, 0}},      {Bottom, {0, 0, 0}, {1, 0, 0}, {0, 1, 0}},
    {Front, {0, -1, 1}, {1, 0, 0}, {0, 0, -1}},  {Back, {0, 1, 1}, {-1, 0, 0}, {0, 0, -1}},
    {Right, {-1, 0, 1}, {0, -1, 0}, {0, 0, -1}}, {Left, {1, 0, 1}, {0, 1, 0}, {0, 0, -1}},
};

TEST_F(FaceTexture, EachFaceShowsItsPictureAsItsTextureCoordinatesLayIt) {
    plainScene();
    data.showFloor = 0;
    const SlotImage built = cornerPicture();
    constexpr Vec3f kUnitBoxMiddle = {0, 0, 1};
    constexpr float kViewDistance = 15.0f;
    const auto world = [this](const Vec3f& unit) {
        return Vec3f{unit[0] * data.boxWidth, unit[1] * data.boxDepth, unit[2] * data.boxHeight};
    };

    for (const FaceLayout& f : kFaceLayouts) {
        const std::string name(kFaceNames[f.face]);
        for (int k = 0; k < kFaceCount; ++k) {
            images[k] = k == f.face ? built : SlotImage{};
        }
        // Straight in front of the face, outside the box.
        const Vec3f centre = world(f.centre);
        camera = Camera{};
        camera.upVector = kStartUpVector;
        camera.moveBy(centre[0] + kViewDistance * (f.centre[0] - kUnitBoxMiddle[0]),
                      centre[1] + kViewDistance * (f.centre[1] - kUnitBoxMiddle[1]),
                      centre[2] + kViewDistance * (f.centre[2] - kUnitBoxMiddle[2]));
        camera.lookAt(centre[0], centre[1], centre[2]);
        camera.setViewSize(kPictureWidth, kPictureHeight);
        const Picture picture = render(name);

        constexpr std::array<std::pair<float, float>, 4> kQuarters = {
            {{0.25f, 0.25f}, {0.75f, 0.25f}, {0.25f, 0.75f}, {0.75f, 0.75f}}};
        for (std::size_t k = 0; k < kQuarters.size(); ++k) {
            const auto [s, t] = kQuarters[k];
            Vec3f unit{};
            for (int axis = 0; axis < 3; ++axis) {
                unit[axis] =
                    f.centre[axis] + (2 * s - 1) * f.right[axis] + (2 * t - 1) * f.down[axis];
            }
            const Pixel at = project(world(unit));
            ASSERT_TRUE(at.inside) << name << " " << at;
            EXPECT_EQ(classify(picture.at(at)), static_cast<Corner>(k))
                << name << ": its " << kCornerNames[k] << " quarter shows "
                << kCornerNames[classify(picture.at(at))] << " " << picture.at(at);
        }
    }
}

} // namespace
} // namespace cartonic::test
