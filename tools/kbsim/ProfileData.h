#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <map>

namespace lumetta::kbsim {

inline constexpr int PROFILE_COUNT = 6;
// Bytes of a profile name the keyboard keeps (16 UTF-16 units), reported by GetDeviceInfo.
inline constexpr std::size_t NAME_LENGTH = 32;
inline constexpr std::size_t EFFECT_LIST_SIZE = 18;
inline constexpr std::size_t EFFECT_SELECT_SIZE = 11;
inline constexpr std::size_t EFFECT_ENTRY_SIZE = 12;
inline constexpr std::size_t LED_COUNT = 128;
inline constexpr std::size_t KEY_COLOR_BYTES = LED_COUNT * 3;
inline constexpr int KEY_COLOR_MEMORIES = 2;
// The multi-layer map travels in three chunks of 56 LEDs; the keyboard keeps all of their bytes.
inline constexpr std::size_t KEY_EFFECT_CHUNK_LEDS = 56;
inline constexpr std::size_t KEY_EFFECT_CHUNKS = 3;
inline constexpr std::size_t KEY_EFFECT_MAP_SIZE = KEY_EFFECT_CHUNK_LEDS * KEY_EFFECT_CHUNKS;
// Effect entries are kept per layer: 1 the base layer, 2 the multi-layer.
inline constexpr int LAYER_COUNT = 2;

using EffectEntryBytes = std::array<std::uint8_t, EFFECT_ENTRY_SIZE>;

// Device effect numbers the keyboard's own content uses.
namespace effect {
inline constexpr std::uint8_t STATIC = 0;
inline constexpr std::uint8_t COLOR_CYCLE = 1;
inline constexpr std::uint8_t BREATH = 2;
inline constexpr std::uint8_t SINGLE_KEY = 3;
inline constexpr std::uint8_t COLOR_WAVE = 4;
inline constexpr std::uint8_t AURORA = 5;
inline constexpr std::uint8_t RIPPLE = 6;
inline constexpr std::uint8_t RAIN_DROP = 7;
inline constexpr std::uint8_t GAME_SNAKE = 8;
inline constexpr std::uint8_t CROSS_LINE = 10;
inline constexpr std::uint8_t STAR = 11;
inline constexpr std::uint8_t CUSTOMIZE = 176;
inline constexpr std::uint8_t CUSTOMIZE_IN_MAP = 177;
inline constexpr std::uint8_t MULTILAYER = 225;
inline constexpr std::uint8_t OFF = 254;
inline constexpr std::uint8_t UNUSED = 0xFF;
} // namespace effect

// Everything the keyboard holds for one profile, in the wire forms it was sent in.
struct ProfileData {
    // An unnamed profile answers 0xFF instead of a name.
    bool named = false;
    std::array<std::uint8_t, NAME_LENGTH> name{};
    std::array<std::uint8_t, EFFECT_LIST_SIZE> effectList{};
    std::array<std::uint8_t, EFFECT_SELECT_SIZE> selectedEffect{};
    // Entries as sent (encoded), by device effect number; an effect missing here answers its
    // factory entry.
    std::array<std::map<std::uint8_t, EffectEntryBytes>, LAYER_COUNT> entries;
    std::array<std::array<std::uint8_t, KEY_COLOR_BYTES>, KEY_COLOR_MEMORIES> keyColors{};
    std::array<std::uint8_t, KEY_EFFECT_MAP_SIZE> keyEffectMap{};

    bool operator==(const ProfileData&) const = default;
};

} // namespace lumetta::kbsim
