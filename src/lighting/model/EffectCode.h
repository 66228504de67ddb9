#pragma once

#include <cstdint>
#include <string_view>

namespace lumetta {

// The 32-bit effect identifier stored in profiles and used by every page. Records keep raw
// values (a stored file may hold anything), so the enumeration has a fixed underlying type and
// any 32-bit value is a valid object of it.
enum class EffectCode : std::int32_t {
    NONE = 0, // empty list slot, unassigned key
    STATIC = 0x1000,
    COLOR_WAVE = 0x1001,
    CROSS_LINE = 0x1002,
    SINGLE_KEY = 0x1003,
    CUSTOMIZE = 0x1004,
    STAR_EFFECT = 0x1005,
    RAIN_DROP = 0x1006,
    COLOR_CYCLE = 0x1007,
    BREATH = 0x1008,
    RIPPLE = 0x1009,
    MULTILAYER = 0x100A,
    // 0x100B has never been assigned.
    GAME_SNAKE = 0x100C,
    SYSTEM_STATUS = 0x100D,
    AURORA_MODE = 0x100E,
    OFF = 0x100F,
};

// One-byte effect numbers the keyboard uses for the same effects.
namespace device_effect {
inline constexpr std::uint8_t STATIC = 0;
inline constexpr std::uint8_t COLOR_CYCLE = 1;
inline constexpr std::uint8_t BREATH = 2;
inline constexpr std::uint8_t SINGLE_KEY = 3;
inline constexpr std::uint8_t COLOR_WAVE = 4;
inline constexpr std::uint8_t AURORA_MODE = 5;
inline constexpr std::uint8_t RIPPLE = 6;
inline constexpr std::uint8_t RAIN_DROP = 7;
inline constexpr std::uint8_t GAME_SNAKE = 8;
inline constexpr std::uint8_t CROSS_LINE = 10;
inline constexpr std::uint8_t STAR_EFFECT = 11;
inline constexpr std::uint8_t CUSTOMIZE = 176;
// Inside the multi-layer key map the keyboard marks customized keys with this number.
inline constexpr std::uint8_t CUSTOMIZE_IN_KEY_MAP = 177;
inline constexpr std::uint8_t SYSTEM_STATUS = 216;
inline constexpr std::uint8_t MULTILAYER = 225;
inline constexpr std::uint8_t OFF = 254;
inline constexpr std::uint8_t UNUSED = 0xFF;
} // namespace device_effect

inline constexpr std::int32_t toInt(EffectCode code) {
    return static_cast<std::int32_t>(code);
}

// True for the fifteen assigned codes (not for NONE).
bool isKnownEffect(EffectCode code);

// Device number of a code; a code without one gives OFF's number (254). NONE gives 0, as
// STATIC does, because the two share the number on the wire.
std::uint8_t effectToDeviceNumber(EffectCode code);

// Code of a device number; an unknown number gives OFF. 0 gives STATIC.
EffectCode deviceNumberToEffect(std::uint8_t number);

// The string-table key of an effect's caption ("STATIC", ...); empty for an unknown code.
std::string_view effectKey(EffectCode code);

} // namespace lumetta
