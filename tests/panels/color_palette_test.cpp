#include "panels/color_palette.h"

#include <gtest/gtest.h>

#include <set>
#include <string>

namespace cartonic {
namespace {

TEST(ColorPalette, HoldsFortyNamedColoursInRowOrder) {
    ASSERT_EQ(kPalette.size(), 40u);
    std::set<std::string> names;
    for (const PaletteEntry& entry : kPalette) {
        ASSERT_NE(entry.name, nullptr);
        EXPECT_FALSE(std::string(entry.name).empty());
        names.insert(entry.name);
        EXPECT_EQ(entry.color & 0xFF000000u, 0u) << entry.name;
    }
    EXPECT_EQ(names.size(), 40u);

    EXPECT_STREQ(kPalette[0].name, "Black");
    EXPECT_STREQ(kPalette[7].name, "Dark grey");
    EXPECT_STREQ(kPalette[8].name, "Dark red");
    EXPECT_STREQ(kPalette[15].name, "Grey - 40");
    EXPECT_STREQ(kPalette[29].name, "Skyblue");
    EXPECT_STREQ(kPalette[35].name, "Pale green "); // the trailing blank is part of the name
    EXPECT_STREQ(kPalette[39].name, "White");
}

TEST(ColorPalette, ColoursAreRedInTheLowByte) {
    EXPECT_EQ(kPalette[1].color, 0x00002AA5u);  // Brown 165, 42, 0
    EXPECT_EQ(kPalette[6].color, 0x0082004Bu);  // Indigo 75, 0, 130
    EXPECT_EQ(kPalette[9].color, 0x002068FFu);  // Orange 255, 104, 32
    EXPECT_EQ(kPalette[37].color, 0x008B8368u); // Pale blue 104, 131, 139
    EXPECT_EQ(colorRed(kPalette[24].color), 255);
    EXPECT_EQ(colorGreen(kPalette[24].color), 192);
    EXPECT_EQ(colorBlue(kPalette[24].color), 203);
}

TEST(ColorPalette, LooksUpExactColoursOnly) {
    EXPECT_EQ(paletteIndexOf(rgbColor(0, 0, 0)), 0);
    EXPECT_EQ(paletteIndexOf(rgbColor(230, 230, 250)), 38);
    EXPECT_EQ(paletteIndexOf(rgbColor(230, 230, 251)), -1);
    EXPECT_EQ(paletteIndexOf(kAutomaticColor), -1);
}

TEST(ColorValue, ConvertsToAndFromQColor) {
    const Color c = rgbColor(12, 34, 56);
    EXPECT_EQ(toQColor(c), QColor(12, 34, 56));
    EXPECT_EQ(fromQColor(QColor(12, 34, 56, 7)), c);
    // The automatic marker sits above the channels and never leaks into them.
    EXPECT_EQ(toQColor(kAutomaticColor), QColor(0, 0, 0));
}

} // namespace
} // namespace cartonic
