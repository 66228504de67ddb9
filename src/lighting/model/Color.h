#pragma once

#include <cstdint>

namespace lumetta {

// Colours are 0x00BBGGRR everywhere in the records: byte 0 red, byte 1 green, byte 2 blue.
using Color = std::uint32_t;

inline constexpr Color COLOR_WHITE = 0x00FFFFFF;
inline constexpr Color COLOR_BLACK = 0;

inline constexpr std::uint8_t colorRed(Color c) {
    return static_cast<std::uint8_t>(c);
}
inline constexpr std::uint8_t colorGreen(Color c) {
    return static_cast<std::uint8_t>(c >> 8);
}
inline constexpr std::uint8_t colorBlue(Color c) {
    return static_cast<std::uint8_t>(c >> 16);
}

inline constexpr Color makeColor(std::uint8_t red, std::uint8_t green, std::uint8_t blue) {
    return Color(red) | Color(green) << 8 | Color(blue) << 16;
}

} // namespace lumetta
