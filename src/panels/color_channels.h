#pragma once

// Conversions between the record's float colour channels (0.0 to 1.0) and the 0..255 bytes of a
// button colour (0x00BBGGRR). Byte to float multiplies by 1/255 rounded to single precision; float
// to byte multiplies by 255 and truncates, so every byte survives the round trip unchanged.

#include "model/project_data.h"

#include <cmath>
#include <cstdint>

namespace cartonic {

inline constexpr float kByteToChannel = 1.0f / 255.0f; // 0.003921569 in single precision
inline constexpr float kChannelToByte = 255.0f;
inline constexpr int kChannelMax = 255;
inline constexpr int kGreenBits = 8;
inline constexpr int kBlueBits = 16;
inline constexpr std::uint32_t kByteMask = 0xFFu;

// 0..255 to 0.0..1.0, in single precision.
inline float byteToChannel(std::uint8_t byte) {
    return static_cast<float>(byte) * kByteToChannel;
}

// 0.0..1.0 to 0..255, truncating toward zero. A channel outside 0..1 (or NaN) can only come from
// a project file; it saturates so the button shows the colour the light actually gives, rather
// than a wrapped-around shade.
inline std::uint8_t channelToByte(float channel) {
    const float scaled = channel * kChannelToByte;
    if (!(scaled > 0.0f)) {
        return 0;
    }
    if (scaled >= static_cast<float>(kChannelMax)) {
        return static_cast<std::uint8_t>(kChannelMax);
    }
    return static_cast<std::uint8_t>(std::trunc(scaled));
}

// The button colour 0x00BBGGRR of a record colour's red, green and blue; alpha is not read.
inline std::uint32_t colorFromChannels(const Rgba& rgba) {
    return std::uint32_t{channelToByte(rgba[0])} |
           (std::uint32_t{channelToByte(rgba[1])} << kGreenBits) |
           (std::uint32_t{channelToByte(rgba[2])} << kBlueBits);
}

// Writes red, green and blue of the button colour into rgba; alpha keeps its value. The top byte
// (the "automatic" marker) is ignored, so the automatic colour writes black.
inline void writeChannels(Rgba& rgba, std::uint32_t color) {
    rgba[0] = byteToChannel(static_cast<std::uint8_t>(color & kByteMask));
    rgba[1] = byteToChannel(static_cast<std::uint8_t>((color >> kGreenBits) & kByteMask));
    rgba[2] = byteToChannel(static_cast<std::uint8_t>((color >> kBlueBits) & kByteMask));
}

} // namespace cartonic
