#include "device/channel/KeyColors.h"

#include "device/wire/KeyColorTransfer.h"

#include <algorithm>
#include <iterator>

namespace lumetta {

namespace {

constexpr int UNSENT_FIRST_LED = 120;

} // namespace

int uploadKeyColors(CommandCatalogue& channel, const CustomParams& memory, const KeyMap& map) {
    const LedColors leds = ledColorsOf(memory, map);
    int result = 0;
    for (int chunk = 0; chunk < KEY_COLOR_CHUNKS; ++chunk) {
        const auto index = static_cast<std::uint16_t>(keyColorChunkIndex(chunk));
        result |= channel.SetKeyColors(index, keyColorChunk(leds, chunk));
    }
    return result;
}

int downloadKeyColors(CommandCatalogue& channel, CustomParams& memory, const KeyMap& map) {
    // Starting from the memory's own image keeps the keys of an unread chunk as they were.
    // LEDs 120 to 127 never travel, so the keyboard holds nothing for them: they read as 0.
    LedColors leds = ledColorsOf(memory, map);
    std::fill(std::begin(leds.rgb) + 3 * UNSENT_FIRST_LED, std::end(leds.rgb), 0);
    int result = 0;
    for (int chunk = 0; chunk < KEY_COLOR_CHUNKS; ++chunk) {
        KeyColorChunk bytes{};
        const auto index = static_cast<std::uint16_t>(keyColorChunkIndex(chunk));
        const int read = channel.GetKeyColors(index, bytes);
        result |= read;
        if (read == 0) {
            storeKeyColorChunk(leds, chunk, bytes);
        }
    }
    applyLedColors(leds, memory, map);
    return result;
}

} // namespace lumetta
