#pragma once

#include "lighting/model/KeyMap.h"

namespace lumetta::testing {

// A small keyboard: the WASD and arrow LEDs on known keys, the other keys on LEDs without a
// preset colour, and one key without an LED.
inline KeyMap smallKeyMap() {
    KeyMap map;
    map.keyCount = 10;
    const std::uint8_t leds[] = {0x0A, 0x05, 0x0C, 0x0D, 0x3D, 0x3F, 0x3E, 0x46, 0x20, NO_LED};
    for (int key = 0; key < 10; ++key) {
        map.keyLed[key] = leds[key];
        map.keyRow[key] = static_cast<std::uint8_t>(1 + key % 6);
        map.keyColumn[key] = static_cast<std::uint8_t>(1 + key * 2);
    }
    return map;
}

} // namespace lumetta::testing
