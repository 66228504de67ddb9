#pragma once

#include "lighting/model/CustomParams.h"

#include <cstdint>

namespace lumetta {

inline constexpr std::uint8_t NO_LED = 255;
inline constexpr int LED_COUNT = 128; // LED numbers 0..127

struct KeyPoint {
    int x = 0;
    int y = 0;
    bool operator==(const KeyPoint&) const = default;
};

// How the attached keyboard's keys map to LEDs and palette cells. Everything else addresses keys
// by key index and reaches LEDs only through keyLed. Entries at or above keyCount are ignored by
// all users except the customization presets, which walk all slots.
struct KeyMap {
    int keyCount = MAX_KEYS;               // 1..MAX_KEYS
    std::uint8_t keyLed[MAX_KEYS] = {};    // LED number per key index; NO_LED = key without LED
    std::uint8_t keyRow[MAX_KEYS] = {};    // 1-based palette row (1..6 in use)
    std::uint8_t keyColumn[MAX_KEYS] = {}; // 1-based palette column (1..24 in use)
    KeyPoint keyOrigin;                    // page position of the origin of all key rectangles
    bool operator==(const KeyMap&) const = default;
};

// The LED of a key, or -1 for a key without one. A number outside the keyboard's LEDs (a stray
// flag in a key-map file) counts as no LED, so per-LED tables are never addressed out of range.
inline int keyLedNumber(const KeyMap& map, int keyIndex) {
    const int led = map.keyLed[keyIndex];
    return led < LED_COUNT ? led : -1;
}

// The process-wide key map shared by all pages. It belongs to the user-interface thread.
KeyMap& keyMap();

} // namespace lumetta
