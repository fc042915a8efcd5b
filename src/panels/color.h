#pragma once

// Colours as the panels pass them around: 32-bit 0x00BBGGRR (red in the low byte), or
// kAutomaticColor, which stands for "the button's default colour" rather than a colour.

#include <QColor>

#include <cstdint>

namespace cartonic {

using Color = std::uint32_t;

inline constexpr Color kAutomaticColor = 0xFF000000u;

inline constexpr int kGreenShift = 8;
inline constexpr int kBlueShift = 16;
inline constexpr Color kChannelMask = 0xFFu;

// Packs three 0..255 channels into 0x00BBGGRR.
constexpr Color rgbColor(std::uint8_t red, std::uint8_t green, std::uint8_t blue) {
    return Color{red} | (Color{green} << kGreenShift) | (Color{blue} << kBlueShift);
}

// One 0..255 channel of a colour.
constexpr int colorRed(Color c) {
    return static_cast<int>(c & kChannelMask);
}
constexpr int colorGreen(Color c) {
    return static_cast<int>((c >> kGreenShift) & kChannelMask);
}
constexpr int colorBlue(Color c) {
    return static_cast<int>((c >> kBlueShift) & kChannelMask);
}

// Opaque QColor of the three channels; the top byte (kAutomaticColor's marker) is ignored, so
// resolve kAutomaticColor to a real colour first.
inline QColor toQColor(Color c) {
    return QColor(colorRed(c), colorGreen(c), colorBlue(c));
}

// 0x00BBGGRR of a QColor's red, green and blue; its alpha is dropped.
inline Color fromQColor(const QColor& c) {
    const QColor rgb = c.toRgb();
    return rgbColor(static_cast<std::uint8_t>(rgb.red()), static_cast<std::uint8_t>(rgb.green()),
                    static_cast<std::uint8_t>(rgb.blue()));
}

} // namespace cartonic
