#pragma once

#include <cstdint>

namespace lumetta::gfx {

// Text drawing flags, with the platform's own bit values so that flags written for it carry
// over unchanged. Left and top are the zero defaults.
enum class TextFormat : std::uint32_t {
    Left = 0x0,
    Top = 0x0,
    Center = 0x1,
    Right = 0x2,
    VCenter = 0x4, // also centres several lines as a block
    Bottom = 0x8,
    WordBreak = 0x10,
    SingleLine = 0x20, // line breaks in the text show as spaces
    ExpandTabs = 0x40, // tabs always expand; accepted for compatibility
    NoClip = 0x100,
    CalcRect = 0x400, // measure only: the rectangle is set to the text's extent, nothing drawn
    NoPrefix = 0x800, // otherwise "&x" underlines x and "&&" shows one ampersand
    EndEllipsis = 0x8000,
};

constexpr TextFormat operator|(TextFormat a, TextFormat b) {
    return TextFormat(std::uint32_t(a) | std::uint32_t(b));
}
constexpr TextFormat operator&(TextFormat a, TextFormat b) {
    return TextFormat(std::uint32_t(a) & std::uint32_t(b));
}
constexpr TextFormat operator~(TextFormat a) {
    return TextFormat(~std::uint32_t(a));
}
constexpr TextFormat& operator|=(TextFormat& a, TextFormat b) {
    return a = a | b;
}
constexpr bool has(TextFormat flags, TextFormat bit) {
    return (flags & bit) != TextFormat(0);
}

} // namespace lumetta::gfx
