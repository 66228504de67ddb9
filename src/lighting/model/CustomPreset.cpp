#include "lighting/model/CustomPreset.h"

#include <array>
#include <cstring>

namespace lumetta {
namespace {

struct LedColor {
    std::uint8_t led;
    Color color;
};

// W, A, S, D and the four arrow keys carry these LED numbers on every layout.
constexpr std::array<LedColor, 4> WASD_KEYS{{
    {0x0A, 0x000000FF},
    {0x05, 0x0000FF00},
    {0x0C, 0x00FFFFFF},
    {0x0D, 0x00FF0000},
}};

constexpr std::array<LedColor, 4> ARROW_KEYS{{
    {0x3D, 0x000000FF},
    {0x3F, 0x0000FF00},
    {0x3E, 0x00FFFFFF},
    {0x46, 0x00FF0000},
}};

Color ledColor(const std::array<LedColor, 4>& keys, std::uint8_t led) {
    for (const LedColor& key : keys) {
        if (key.led == led) {
            return key.color;
        }
    }
    return COLOR_BLACK;
}

// Hue runs across the columns, lightness down the rows; the sixth row is a grey ramp. The
// arithmetic wraps in bytes on purpose, so a stray row or column still gives a colour.
Color paletteColor(std::uint8_t row, std::uint8_t column) {
    const std::uint8_t hue = static_cast<std::uint8_t>(std::uint8_t(column - 1) * 255 / 23);
    const std::uint8_t r = static_cast<std::uint8_t>(row - 1);
    if (r == 5) {
        return makeColor(hue, hue, hue);
    }
    const std::uint8_t lightness = static_cast<std::uint8_t>(std::uint8_t(5 - r) * 43);
    const int twice = 2 * lightness;
    const std::uint8_t chroma = static_cast<std::uint8_t>(twice <= 255 ? twice : 510 - twice);
    const std::uint8_t base = static_cast<std::uint8_t>(lightness - chroma / 2);
    const int sector = hue / 43;
    int x = 6 * (hue % 43);
    if (sector % 2 == 1) {
        x = 255 - x;
    }
    const std::uint8_t mid = static_cast<std::uint8_t>(chroma * x / 256);
    std::uint8_t red = base;
    std::uint8_t green = base;
    std::uint8_t blue = base;
    switch (sector) {
    case 0:
        red += chroma, green += mid;
        break;
    case 1:
        red += mid, green += chroma;
        break;
    case 2:
        green += chroma, blue += mid;
        break;
    case 3:
        green += mid, blue += chroma;
        break;
    case 4:
        red += mid, blue += chroma;
        break;
    default:
        red += chroma, blue += mid;
        break;
    }
    return makeColor(red, green, blue);
}

Color presetColor(PresetKind kind, const KeyMap& map, int key) {
    switch (kind) {
    case PresetKind::WASD:
        return ledColor(WASD_KEYS, map.keyLed[key]);
    case PresetKind::ARROWS:
        return ledColor(ARROW_KEYS, map.keyLed[key]);
    case PresetKind::PALETTE:
        return paletteColor(map.keyRow[key], map.keyColumn[key]);
    default:
        return COLOR_BLACK;
    }
}

} // namespace

void fillCustomPreset(CustomParams& memory, const KeyMap& map) {
    for (int key = 0; key < MAX_KEYS; ++key) {
        memory.keyColor[key] = presetColor(memory.presetKind, map, key);
        memory.keyLit[key] = 1;
    }
}

void recognisePreset(CustomParams& memory, const KeyMap& map) {
    for (PresetKind kind : {PresetKind::WASD, PresetKind::ARROWS, PresetKind::PALETTE}) {
        CustomParams preset{};
        preset.presetKind = kind;
        fillCustomPreset(preset, map);
        if (std::memcmp(preset.keyColor, memory.keyColor, sizeof memory.keyColor) == 0) {
            memory.presetKind = kind;
            return;
        }
    }
    memory.presetKind = PresetKind::CUSTOM;
}

} // namespace lumetta
