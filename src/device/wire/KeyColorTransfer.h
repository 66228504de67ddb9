#pragma once

#include "lighting/model/CustomParams.h"
#include "lighting/model/KeyMap.h"
#include "lighting/model/PlainRecord.h"

#include <cstdint>

namespace lumetta {

// Red, green, blue per LED number, the image of a customization memory on the keyboard.
struct LedColors {
    std::uint8_t rgb[LED_COUNT * 3];
    bool operator==(const LedColors&) const = default;
};

// The colours of 16 consecutive LEDs, three bytes each.
struct KeyColorChunk {
    std::uint8_t rgb[48];
    bool operator==(const KeyColorChunk&) const = default;
};

LUMETTA_PLAIN_BLOCK(KeyColorChunk, 48);

// A memory travels as eight chunks. Chunk k covers LEDs 16k..16k+15 (report index 2k) for k < 7;
// the last covers LEDs 104..119 (index 13), so LEDs 120..127 never travel.
inline constexpr int KEY_COLOR_CHUNKS = 8;

// The report index of chunk k, in units of 8 LEDs.
int keyColorChunkIndex(int chunk);

// The LED image of a memory: every key with an LED puts its colour at its LED; keyLit plays no
// part.
LedColors ledColorsOf(const CustomParams& memory, const KeyMap& map = keyMap());

// The bytes of chunk k of an LED image.
KeyColorChunk keyColorChunk(const LedColors& leds, int chunk);

// Puts a read chunk k into the LED image. The last chunk overlaps the one before it and only
// moves its second half (LEDs 112..119).
void storeKeyColorChunk(LedColors& leds, int chunk, const KeyColorChunk& bytes);

// Sets every key with an LED to the colour of its LED in the image.
void applyLedColors(const LedColors& leds, CustomParams& memory, const KeyMap& map = keyMap());

} // namespace lumetta
