#pragma once

#include <cstdint>

namespace lumetta::gfx {

// The system's colour value: 0x00BBGGRR, red in the low byte. Everything above the platform
// layer speaks in these; surfaces hold premultiplied 0xAARRGGBB words instead, and the
// conversions below are the only place the two meet.
using SysColor = std::uint32_t;

// A premultiplied pixel as a surface stores it: alpha in the top byte, then red, green, blue,
// each colour channel already multiplied by alpha.
using Pixel = std::uint32_t;

constexpr SysColor sysColor(std::uint8_t r, std::uint8_t g, std::uint8_t b) {
    return SysColor(r) | (SysColor(g) << 8) | (SysColor(b) << 16);
}
constexpr std::uint8_t sysRed(SysColor c) {
    return std::uint8_t(c & 0xFF);
}
constexpr std::uint8_t sysGreen(SysColor c) {
    return std::uint8_t((c >> 8) & 0xFF);
}
constexpr std::uint8_t sysBlue(SysColor c) {
    return std::uint8_t((c >> 16) & 0xFF);
}

constexpr std::uint8_t pixelAlpha(Pixel p) {
    return std::uint8_t(p >> 24);
}
constexpr std::uint8_t pixelRed(Pixel p) {
    return std::uint8_t(p >> 16);
}
constexpr std::uint8_t pixelGreen(Pixel p) {
    return std::uint8_t(p >> 8);
}
constexpr std::uint8_t pixelBlue(Pixel p) {
    return std::uint8_t(p);
}

constexpr Pixel makePixel(std::uint8_t a, std::uint8_t r, std::uint8_t g, std::uint8_t b) {
    return (Pixel(a) << 24) | (Pixel(r) << 16) | (Pixel(g) << 8) | Pixel(b);
}

// Rounded c * a / 255 without a division.
constexpr std::uint8_t multiplyAlpha(std::uint8_t c, std::uint8_t a) {
    unsigned t = unsigned(c) * a + 128;
    return std::uint8_t((t + (t >> 8)) >> 8);
}

// Straight (non-premultiplied) channels to a stored pixel.
constexpr Pixel premultiply(std::uint8_t a, std::uint8_t r, std::uint8_t g, std::uint8_t b) {
    if (a == 255) {
        return makePixel(255, r, g, b);
    }
    return makePixel(a, multiplyAlpha(r, a), multiplyAlpha(g, a), multiplyAlpha(b, a));
}

constexpr Pixel pixelFromSysColor(SysColor c, std::uint8_t alpha = 255) {
    return premultiply(alpha, sysRed(c), sysGreen(c), sysBlue(c));
}

constexpr std::uint8_t unmultiplyChannel(std::uint8_t c, std::uint8_t a) {
    if (a == 0) {
        return 0;
    }
    unsigned v = (unsigned(c) * 255 + a / 2) / a;
    return std::uint8_t(v > 255 ? 255 : v);
}

// The colour a stored pixel shows, alpha dropped; a fully transparent pixel reads as black.
constexpr SysColor sysColorFromPixel(Pixel p) {
    std::uint8_t a = pixelAlpha(p);
    if (a == 255) {
        return sysColor(pixelRed(p), pixelGreen(p), pixelBlue(p));
    }
    return sysColor(unmultiplyChannel(pixelRed(p), a), unmultiplyChannel(pixelGreen(p), a),
                    unmultiplyChannel(pixelBlue(p), a));
}

} // namespace lumetta::gfx
