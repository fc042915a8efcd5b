#include "panels/color_channels.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace cartonic {
namespace {

TEST(ColorChannels, EveryByteSurvivesTheRoundTrip) {
    for (int byte = 0; byte <= 255; ++byte) {
        const float channel = byteToChannel(static_cast<std::uint8_t>(byte));
        EXPECT_EQ(channelToByte(channel), byte) << byte;
        EXPECT_GE(channel, 0.0f);
        EXPECT_LE(channel, 1.0f);
    }
    // The factor is 1/255 rounded once to single precision, not a double quotient.
    EXPECT_EQ(kByteToChannel, 0.003921569f);
    EXPECT_EQ(byteToChannel(1), kByteToChannel);
    EXPECT_EQ(byteToChannel(255), 1.0f);
}

TEST(ColorChannels, FloatToByteTruncatesAndSaturates) {
    EXPECT_EQ(channelToByte(0.5f), 127);   // 127.5 truncates
    EXPECT_EQ(channelToByte(0.999f), 254); // 254.745 truncates
    EXPECT_EQ(channelToByte(1.0f), 255);
    // Only a damaged project file holds these; they must not wrap to another shade.
    EXPECT_EQ(channelToByte(1.5f), 255);
    EXPECT_EQ(channelToByte(-0.25f), 0);
    EXPECT_EQ(channelToByte(std::numeric_limits<float>::infinity()), 255);
    EXPECT_EQ(channelToByte(-std::numeric_limits<float>::infinity()), 0);
    EXPECT_EQ(channelToByte(std::numeric_limits<float>::quiet_NaN()), 0);
    EXPECT_EQ(channelToByte(3.0e9f), 255);
}

TEST(ColorChannels, ButtonColourPacksRedLowAndIgnoresAlpha) {
    EXPECT_EQ(colorFromChannels({1.0f, 0.0f, 0.0f, 0.0f}), 0x000000FFu);
    EXPECT_EQ(colorFromChannels({0.0f, 1.0f, 0.0f, 1.0f}), 0x0000FF00u);
    EXPECT_EQ(colorFromChannels({0.0f, 0.0f, 1.0f, 0.3f}), 0x00FF0000u);
    EXPECT_EQ(colorFromChannels({0.2f, 0.4f, 0.6f, 1.0f}), 0x00996633u);

    Rgba rgba = {0.9f, 0.9f, 0.9f, 0.375f};
    writeChannels(rgba, 0x00996633u);
    EXPECT_EQ(rgba[0], 0x33 * kByteToChannel);
    EXPECT_EQ(rgba[1], 0x66 * kByteToChannel);
    EXPECT_EQ(rgba[2], 0x99 * kByteToChannel);
    EXPECT_EQ(rgba[3], 0.375f);
    EXPECT_EQ(colorFromChannels(rgba), 0x00996633u);

    // The "automatic" marker lives in the top byte; its colour bytes are black.
    writeChannels(rgba, 0xFF000000u);
    EXPECT_EQ(rgba, (Rgba{0.0f, 0.0f, 0.0f, 0.375f}));
}

} // namespace
} // namespace cartonic
