#include "render_fixture.h"

#include "image/dieline.h"
#include "image/image_loader.h"
#include "model/box_geometry.h"
#include "support/dieline_nets.h"
#include "support/temp_dir.h"

#include <string>

namespace cartonic::test {
namespace {

// Which fold's band a (lit, so darkened) texel shows, by its hue; -1 for none.
int bandOf(const Rgb8& c) {
    const float top = static_cast<float>(std::max({c.r, c.g, c.b, 1}));
    const std::array<float, 3> hue = {c.r / top, c.g / top, c.b / top};
    for (std::size_t k = 0; k < kFoldColours.size(); ++k) {
        const QColor& band = kFoldColours[k];
        const float bandTop = static_cast<float>(std::max({band.red(), band.green(), band.blue()}));
        const float d = std::abs(hue[0] - band.red() / bandTop) +
                        std::abs(hue[1] - band.green() / bandTop) +
                        std::abs(hue[2] - band.blue() / bandTop);
        if (d < 0.5f) {
            return static_cast<int>(k);
        }
    }
    return -1;
}

// A face's outward normal on the unit box.
Vec3f normalOf(Face face) {
    const auto& n = kUnitBox[face].normal;
    return {n[0], n[1], n[2]};
}

// The middle of the first or second half of a fold's edge, from the edge's middle in half sides:
// where foldBandNet has the band, or not. The net's rows run down the box's sides; its columns
// run along the front, from its left edge at x = -1.
Vec3f halfOfFold(const Fold& fold, bool first) {
    const float quarter = first ? 0.5f : -0.5f;
    return fold.acrossRow ? Vec3f{0.0f, 0.0f, quarter} : Vec3f{-quarter, 0.0f, 0.0f};
}

class DielineFold : public RenderTest {
protected:
    void SetUp() override {
        RenderTest::SetUp();
        plainScene();
        data.showFloor = 0;
        // Unlit, so that no face is too dark to tell its colours apart.
        data.lightingEnabled = 0;
        initGLState(data);
    }

    // The world point of the unit box's middle moved by unit (in half sides) and then by world
    // units along direction.
    Vec3f boxPoint(const Vec3f& unit, const Vec3f& direction = {}, float world = 0.0f) const {
        const Vec3f scale = {data.boxWidth, data.boxDepth, data.boxHeight};
        Vec3f p{};
        for (int axis = 0; axis < 3; ++axis) {
            p[axis] = unit[axis] * scale[axis] + direction[axis] * world;
        }
        p[2] += data.boxHeight;
        return p;
    }

    // The world point on face, depth world units from its edge with face other, moved along
    // that edge from its middle by along (in half sides).
    Vec3f nearEdge(Face face, Face other, float depth, const Vec3f& along) const {
        const Vec3f n = normalOf(face);
        const Vec3f m = normalOf(other);
        return boxPoint({n[0] + m[0] + along[0], n[1] + m[1] + along[1], n[2] + m[2] + along[2]},
                        {-m[0], -m[1], -m[2]}, depth);
    }

    // Whether the eye sees face from outside.
    bool sees(const Vec3f& eye, Face face) const {
        const Vec3f n = normalOf(face);
        const Vec3f centre = boxPoint(n);
        float dot = 0.0f;
        for (int axis = 0; axis < 3; ++axis) {
            dot += n[axis] * (eye[axis] - centre[axis]);
        }
        return dot > 0.0f;
    }

    // Lays panels on the faces and looks at the box from around it: where a fold of a net from
    // foldBandNet shows, both faces beside it show its colour along its first half and not along
    // its second. name labels the pictures.
    void expectFoldsMeet(const std::array<QImage, kFaceCount>& panels, const std::string& name) {
        for (int face = 0; face < kFaceCount; ++face) {
            images[face].image = reducedTo(
                panels[face], textureUploadSize(panels[face].width(), panels[face].height()));
        }
        const float probeDepth = static_cast<float>(boxSidesOf(data).depth / 16);
        const Vec3f target = {0.0f, 0.0f, data.boxHeight};
        // Above and below, before and behind: each fold shows to one of them.
        const Vec3f eyes[] = {{-12, -14, 18}, {12, -14, -8}, {12, 14, 18}, {-12, 14, -8}};
        std::array<bool, kFolds.size()> seen{};
        for (std::size_t e = 0; e < std::size(eyes); ++e) {
            camera = Camera{};
            camera.upVector = kStartUpVector;
            camera.moveBy(eyes[e][0], eyes[e][1], eyes[e][2]);
            camera.lookAt(target[0], target[1], target[2]);
            camera.setViewSize(kPictureWidth, kPictureHeight);
            const Picture picture = render(name + "-" + std::to_string(e));
            for (std::size_t k = 0; k < kFolds.size(); ++k) {
                const Fold& fold = kFolds[k];
                if (!sees(eyes[e], fold.first) || !sees(eyes[e], fold.second)) {
                    continue;
                }
                seen[k] = true;
                for (const auto& [face, other] :
                     {std::pair(fold.first, fold.second), std::pair(fold.second, fold.first)}) {
                    for (const bool first : {true, false}) {
                        const Pixel at =
                            project(nearEdge(face, other, probeDepth, halfOfFold(fold, first)));
                        ASSERT_TRUE(at.inside) << name << " camera " << e << " " << at;
                        EXPECT_EQ(bandOf(picture.at(at)), first ? static_cast<int>(k) : -1)
                            << name << ", camera " << e << ": " << kFaceNames[face] << " beside "
                            << kFaceNames[other] << ", " << (first ? "first" : "second")
                            << " half, shows " << picture.at(at);
                    }
                }
            }
        }
        for (std::size_t k = 0; k < kFolds.size(); ++k) {
            EXPECT_TRUE(seen[k]) << "no camera sees the fold between "
                                 << kFaceNames[kFolds[k].first] << " and "
                                 << kFaceNames[kFolds[k].second];
        }
    }
};

// The orientations of the top and of a side: every one of each, and one out of range, which
// faces lay as loaded.
// clang-format off
constexpr std::array<std::pair<std::int32_t, std::int32_t>, 7> kTopAndSide = {{
    {AsLoaded, AsLoaded},     {FlipHorizontal, Turn90},       {FlipVertical, Turn180},
    {Turn90, Turn270},        {Turn180, FlipHorizontal},      {Turn270, FlipVertical},
    {Turn270 + 1, -1},
}};
// clang-format on

// A net with a band of its own colour along the first half of each fold, imported from its file
// in each layout for a top and a side laid every way: the folded box's artwork runs on across
// every fold.
TEST_F(DielineFold, EachFoldsBandMeetsItselfAcrossTheEdge) {
    const TempDir dir;
    const BoxSides sides = boxSidesOf(data);
    constexpr double kPixelsPerUnit = 24.0;
    constexpr int kGlueFlap = 20;
    const QSize size(static_cast<int>(2 * (sides.width + sides.depth) * kPixelsPerUnit) + kGlueFlap,
                     static_cast<int>((sides.height + 2 * sides.depth) * kPixelsPerUnit));
    const int band = static_cast<int>(sides.depth * kPixelsPerUnit / 4);

    for (const DielineLayout layout : {DielineLayout::Cross, DielineLayout::Row}) {
        const std::string name(kDielineLayoutNames[static_cast<std::size_t>(layout)]);
        const auto cut = cutLayout(size, sides, layout, kGlueFlap);
        ASSERT_TRUE(cut && cut->matches()) << name;
        const std::string file = dir.file(name + ".png");
        ASSERT_TRUE(foldBandNet(size, *cut, band).save(QString::fromStdString(file)));
        QImage net;
        ASSERT_TRUE(loadPictureWithin(file, {size.width(), size.height()}, net));
        for (const auto& [top, side] : kTopAndSide) {
            data.faceSlots[Top].orientation = top;
            data.faceSlots[Right].orientation = side;
            expectFoldsMeet(cutPanels(net, *cut, data),
                            name + "-top" + std::to_string(top) + "-right" + std::to_string(side));
        }
    }
}

} // namespace
} // namespace cartonic::test
