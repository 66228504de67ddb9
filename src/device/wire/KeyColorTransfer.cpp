#include "device/wire/KeyColorTransfer.h"

#include <cstring>

namespace lumetta {
namespace {

constexpr int LEDS_PER_CHUNK = 16;
constexpr int LEDS_PER_INDEX = 8;
constexpr int LAST_CHUNK_INDEX = 13;

bool validChunk(int chunk) {
    return chunk >= 0 && chunk < KEY_COLOR_CHUNKS;
}

int firstLed(int chunk) {
    return keyColorChunkIndex(chunk) * LEDS_PER_INDEX;
}

} // namespace

int keyColorChunkIndex(int chunk) {
    return chunk < KEY_COLOR_CHUNKS - 1 ? 2 * chunk : LAST_CHUNK_INDEX;
}

LedColors ledColorsOf(const CustomParams& memory, const KeyMap& map) {
    LedColors leds{};
    for (int key = 0; key < map.keyCount && key < MAX_KEYS; ++key) {
        const int led = keyLedNumber(map, key);
        if (led < 0) {
            continue;
        }
        leds.rgb[3 * led] = colorRed(memory.keyColor[key]);
        leds.rgb[3 * led + 1] = colorGreen(memory.keyColor[key]);
        leds.rgb[3 * led + 2] = colorBlue(memory.keyColor[key]);
    }
    return leds;
}

KeyColorChunk keyColorChunk(const LedColors& leds, int chunk) {
    KeyColorChunk bytes{};
    if (!validChunk(chunk)) {
        return bytes;
    }
    std::memcpy(bytes.rgb, leds.rgb + 3 * firstLed(chunk), sizeof bytes.rgb);
    return bytes;
}

void storeKeyColorChunk(LedColors& leds, int chunk, const KeyColorChunk& bytes) {
    if (!validChunk(chunk)) {
        return;
    }
    int skipped = 0;
    if (chunk == KEY_COLOR_CHUNKS - 1) {
        skipped = LEDS_PER_CHUNK / 2; // already read as the second half of the chunk before
    }
    const int led = firstLed(chunk) + skipped;
    std::memcpy(leds.rgb + 3 * led, bytes.rgb + 3 * skipped,
                3 * static_cast<std::size_t>(LEDS_PER_CHUNK - skipped));
}

void applyLedColors(const LedColors& leds, CustomParams& memory, const KeyMap& map) {
    for (int key = 0; key < map.keyCount && key < MAX_KEYS; ++key) {
        const int led = keyLedNumber(map, key);
        if (led < 0) {
            continue;
        }
        memory.keyColor[key] =
            makeColor(leds.rgb[3 * led], leds.rgb[3 * led + 1], leds.rgb[3 * led + 2]);
    }
}

} // namespace lumetta
