#include "device/wire/EffectEntryCodec.h"

#include <array>

namespace lumetta {
namespace {

constexpr int UNCHANGED = -1;

// Device speed values per level. The same figures, from level 0 down, are the thresholds that
// turn a read value back into a level: the first one the value reaches gives the level, and a
// value below all of them is the slowest level.
struct SpeedScale {
    std::uint8_t effect;
    int levels; // 7, or 5 for the effects with five speed steps
    std::array<std::uint8_t, 7> values;
    int beyond; // device value for a level past the scale, or UNCHANGED
};

constexpr std::array<SpeedScale, 10> SPEED_SCALES{{
    {device_effect::COLOR_CYCLE, 7, {90, 80, 60, 49, 40, 30, 20}, UNCHANGED},
    {device_effect::BREATH, 7, {70, 60, 55, 49, 44, 38, 28}, UNCHANGED},
    {device_effect::SINGLE_KEY, 7, {80, 70, 65, 56, 45, 39, 20}, 20},
    {device_effect::COLOR_WAVE, 7, {80, 72, 66, 60, 51, 42, 30}, UNCHANGED},
    {device_effect::AURORA_MODE, 7, {180, 150, 120, 108, 102, 98, 96}, UNCHANGED},
    {device_effect::RIPPLE, 7, {179, 150, 120, 108, 102, 98, 96}, UNCHANGED},
    {device_effect::RAIN_DROP, 7, {70, 65, 60, 56, 50, 40, 30}, 30},
    {device_effect::GAME_SNAKE, 7, {65, 59, 54, 49, 45, 41, 37}, UNCHANGED},
    {device_effect::CROSS_LINE, 5, {65, 57, 50, 42, 35}, UNCHANGED},
    {device_effect::STAR_EFFECT, 5, {70, 65, 60, 55, 50}, UNCHANGED},
}};

const SpeedScale* speedScale(std::uint8_t effect) {
    for (const SpeedScale& scale : SPEED_SCALES) {
        if (scale.effect == effect) {
            return &scale;
        }
    }
    return nullptr;
}

std::uint8_t encodeSpeed(const SpeedScale& scale, std::uint8_t level) {
    if (level < scale.levels) {
        return scale.values[level];
    }
    return scale.beyond == UNCHANGED ? level : static_cast<std::uint8_t>(scale.beyond);
}

std::uint8_t decodeSpeed(const SpeedScale& scale, std::uint8_t value) {
    const int slowest = scale.levels - 1;
    for (int level = 0; level < slowest; ++level) {
        if (value >= scale.values[level]) {
            return static_cast<std::uint8_t>(level);
        }
    }
    return static_cast<std::uint8_t>(slowest);
}

constexpr std::uint8_t BREATH_FLAG = 0x20;
constexpr std::uint8_t WAVE_PARAMETER = 10;
constexpr std::uint8_t SNAKE_PARAMETER = 4;
constexpr std::uint8_t STAR_PARAMETER = 33;
constexpr std::uint8_t MAX_DROP_LEVEL = 4;

void encodeEntry(EffectEntry& entry) {
    entry.reserved = 0xFF;
    if (entry.effect != device_effect::RAIN_DROP) {
        entry.parameter = 0xFF;
    }
    if (const SpeedScale* scale = speedScale(entry.effect)) {
        entry.speed = encodeSpeed(*scale, entry.speed);
    }
    switch (entry.effect) {
    case device_effect::COLOR_CYCLE:
        // Percent levels 0..4 become brightness 51..255; byte arithmetic wraps like the keyboard's.
        entry.level = static_cast<std::uint8_t>((entry.level + 1) * 51);
        break;
    case device_effect::BREATH:
        entry.flags |= BREATH_FLAG;
        break;
    case device_effect::COLOR_WAVE:
        entry.parameter = WAVE_PARAMETER;
        break;
    case device_effect::RAIN_DROP: {
        const std::uint8_t drops =
            entry.parameter > MAX_DROP_LEVEL ? MAX_DROP_LEVEL : entry.parameter;
        entry.parameter = static_cast<std::uint8_t>(91 - 20 * drops);
        break;
    }
    case device_effect::GAME_SNAKE:
        entry.parameter = SNAKE_PARAMETER;
        break;
    case device_effect::STAR_EFFECT:
        entry.parameter = STAR_PARAMETER;
        break;
    default:
        break;
    }
}

void decodeEntry(EffectEntry& entry) {
    if (entry.effect == device_effect::STATIC) {
        return;
    }
    if (const SpeedScale* scale = speedScale(entry.effect)) {
        entry.speed = decodeSpeed(*scale, entry.speed);
    }
    if (entry.effect == device_effect::COLOR_CYCLE) {
        const int steps = entry.level / 51;
        entry.level = static_cast<std::uint8_t>(steps >= 1 ? steps - 1 : 0);
    }
    if (entry.effect == device_effect::RAIN_DROP) {
        const auto drops = static_cast<std::uint8_t>(4 - (entry.parameter - 11) / 20);
        entry.parameter = drops > MAX_DROP_LEVEL ? MAX_DROP_LEVEL : drops;
    }
}

} // namespace

void encodeEffectEntries(EffectEntryBlock& entries) {
    for (EffectEntry& entry : entries) {
        encodeEntry(entry);
    }
}

void decodeEffectEntries(EffectEntryBlock& entries) {
    for (EffectEntry& entry : entries) {
        decodeEntry(entry);
    }
}

} // namespace lumetta
