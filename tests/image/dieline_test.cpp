#include "image/dieline.h"

#include "support/temp_dir.h"

#include <QPainter>

#include <gtest/gtest.h>

#include <cmath>

namespace cartonic {
namespace {

// A box 4 wide, 6 high and 2 deep, at 10 pixels a unit: a net 120 x 100, and a glue flap.
constexpr BoxSides kBox = {4.0, 6.0, 2.0};
constexpr int kGlueFlap = 15;
const QSize kNet(120 + kGlueFlap, 100);

TEST(DielineLayout, PanelsFollowTheBoxInEachLayout) {
    struct Case {
        DielineLayout layout;
        std::array<int, kFaceCount> left; // each face's panel's left edge, by slot
        int glueFlapLeft;
    };
    // Cross: Right 0-20, Front 20-60, Left 60-80, Back 80-120. Row: Front, Left, Back, Right.
    const Case cases[] = {
        {DielineLayout::Cross, {20, 20, 20, 80, 0, 60}, 120},
        {DielineLayout::Row, {0, 0, 0, 60, 100, 40}, 120},
    };
    const std::array<QSize, kFaceCount> sizes = {QSize(40, 20), QSize(40, 20), QSize(40, 60),
                                                 QSize(40, 60), QSize(20, 60), QSize(20, 60)};
    const std::array<int, kFaceCount> tops = {0, 80, 20, 20, 20, 20};
    for (const Case& c : cases) {
        const auto cut = cutLayout(kNet, kBox, c.layout, kGlueFlap);
        ASSERT_TRUE(cut);
        EXPECT_TRUE(cut->matches()) << cut->mismatch;
        for (int face = 0; face < kFaceCount; ++face) {
            EXPECT_EQ(cut->panels[face], QRect(QPoint(c.left[face], tops[face]), sizes[face]))
                << kFaceNames[face];
        }
        EXPECT_EQ(cut->glueFlap, QRect(c.glueFlapLeft, 20, kGlueFlap, 60));
    }
}

TEST(DielineLayout, AMismatchedNetIsCutFromItsMiddleWithoutStretching) {
    // 20% too wide: the panels keep the box's shape and the margin is left out on both sides.
    const auto wide = cutLayout(QSize(144, 100), kBox, DielineLayout::Cross, 0);
    ASSERT_TRUE(wide);
    EXPECT_NEAR(wide->mismatch, 0.2, 1e-9);
    EXPECT_FALSE(wide->matches());
    EXPECT_EQ(wide->panels[Front], QRect(32, 20, 40, 60));
    // Too narrow: cut from the middle rows.
    const auto narrow = cutLayout(QSize(60, 100), kBox, DielineLayout::Cross, 0);
    ASSERT_TRUE(narrow);
    EXPECT_NEAR(narrow->mismatch, -0.5, 1e-9);
    EXPECT_EQ(narrow->panels[Front], QRect(10, 35, 20, 30));

    EXPECT_FALSE(cutLayout(kNet, kBox, DielineLayout::Row, kNet.width()));
    EXPECT_FALSE(cutLayout(kNet, {4.0, 6.0, 0.0}, DielineLayout::Row, 0));
    EXPECT_FALSE(cutLayout(QSize(2, 2), kBox, DielineLayout::Row, 0)) << "panels under a pixel";
}

TEST(DielineLayout, TheNetAndOneSideGiveTheBox) {
    const auto sides = sidesFromNet(kNet, kGlueFlap, 20);
    ASSERT_TRUE(sides);
    EXPECT_DOUBLE_EQ(sides->width, 40.0);
    EXPECT_DOUBLE_EQ(sides->height, 60.0);
    EXPECT_DOUBLE_EQ(sides->depth, 20.0);
    EXPECT_FALSE(sidesFromNet(kNet, kGlueFlap, 50)) << "no room left for the front";
    EXPECT_FALSE(sidesFromNet(kNet, kGlueFlap, 0));
}

TEST(DielineLayout, ANetLargerThanTheBoundKeepsItsProportions) {
    const test::TempDir dir;
    QImage large(kMaxNetSide + kMaxNetSide / 8, 90, QImage::Format_RGB32);
    large.fill(Qt::gray);
    const std::string file = dir.file("large.png");
    ASSERT_TRUE(large.save(QString::fromStdString(file)));
    QImage net;
    ASSERT_TRUE(loadNet(file, net));
    EXPECT_EQ(net.size(), QSize(kMaxNetSide, 80));
    EXPECT_FALSE(loadNet(dir.file("missing.png"), net));
}

// A smooth picture of its own for each face, so that resampling changes it by rounding only.
QImage facePicture(int face, QSize size) {
    QImage picture(size, QImage::Format_RGBX8888);
    for (int y = 0; y < size.height(); ++y) {
        for (int x = 0; x < size.width(); ++x) {
            const double u = (x + 0.5) / size.width();
            const double v = (y + 0.5) / size.height();
            picture.setPixelColor(x, y,
                                  QColor(static_cast<int>(40 + 170 * u),
                                         static_cast<int>(40 + 170 * v),
                                         30 * face + static_cast<int>(40 * u * v)));
        }
    }
    return picture;
}

int maxDifference(const QImage& a, const QImage& b) {
    int most = 0;
    for (int y = 0; y < a.height(); ++y) {
        for (int x = 0; x < a.width(); ++x) {
            const QColor p = a.pixelColor(x, y);
            const QColor q = b.pixelColor(x, y);
            most = std::max({most, std::abs(p.red() - q.red()), std::abs(p.green() - q.green()),
                             std::abs(p.blue() - q.blue())});
        }
    }
    return most;
}

TEST(DielineLayout, ANetOfSixPicturesGivesThemBack) {
    // The pictures at 10 pixels a unit, the net printed at 16: each panel is resampled twice.
    constexpr double kPictureScale = 10.0;
    const QSize net(static_cast<int>(std::lround(120 * 1.6)) + kGlueFlap, 160);
    for (const DielineLayout layout : {DielineLayout::Cross, DielineLayout::Row}) {
        const auto cut = cutLayout(net, kBox, layout, kGlueFlap);
        ASSERT_TRUE(cut && cut->matches());
        QImage printed(net, QImage::Format_RGBX8888);
        printed.fill(Qt::black);
        std::array<QImage, kFaceCount> pictures;
        {
            QPainter painter(&printed);
            painter.setRenderHint(QPainter::SmoothPixmapTransform);
            for (int face = 0; face < kFaceCount; ++face) {
                const QSizeF panel = QSizeF(cut->panels[face].size()) * (kPictureScale / 16.0);
                pictures[face] = facePicture(face, panel.toSize());
                // The carton has the top panel's lower edge on the front's top edge, where the
                // box lays its picture's first row.
                const QImage print =
                    face == Top ? pictures[face].mirrored(false, true) : pictures[face];
                painter.drawImage(QRectF(cut->panels[face]), print);
            }
        }
        const std::array<QImage, kFaceCount> panels = cutPanels(printed, *cut, ProjectData{});
        for (int face = 0; face < kFaceCount; ++face) {
            const QImage back = panels[face].scaled(pictures[face].size(), Qt::IgnoreAspectRatio,
                                                    Qt::SmoothTransformation);
            EXPECT_LE(maxDifference(back, pictures[face]), 3)
                << kDielineLayoutNames[static_cast<std::size_t>(layout)] << " " << kFaceNames[face];
        }
    }
}

} // namespace
} // namespace cartonic
