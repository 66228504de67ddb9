#include "device/wire/KeyColorTransfer.h"

#include <gtest/gtest.h>

namespace lumetta {
namespace {

struct Key {
    std::uint8_t led;
    Color color;
};

// Keys at the chunk borders, one on an LED that never travels, one without an LED and one with a
// stray LED number beyond the keyboard's.
const Key KEYS[] = {
    {0, 0x00030201},   {17, 0x00060504},     {104, 0x00090807},
    {111, 0x000C0B0A}, {112, 0x000F0E0D},    {119, 0x00121110},
    {125, 0x00151413}, {NO_LED, 0x00181716}, {200, 0x001B1A19},
};
constexpr int KEY_COUNT = 9;

KeyMap fixtureMap() {
    KeyMap map;
    map.keyCount = KEY_COUNT;
    for (int key = 0; key < KEY_COUNT; ++key) {
        map.keyLed[key] = KEYS[key].led;
    }
    map.keyLed[KEY_COUNT] = 50; // past keyCount: ignored
    return map;
}

CustomParams fixtureMemory() {
    CustomParams memory{};
    for (int key = 0; key < KEY_COUNT; ++key) {
        memory.keyColor[key] = KEYS[key].color;
    }
    memory.keyColor[KEY_COUNT] = 0x00FFFFFF;
    return memory;
}

TEST(KeyColorTransfer, ChunkIndexes) {
    const int expected[KEY_COLOR_CHUNKS] = {0, 2, 4, 6, 8, 10, 12, 13};
    for (int chunk = 0; chunk < KEY_COLOR_CHUNKS; ++chunk) {
        EXPECT_EQ(keyColorChunkIndex(chunk), expected[chunk]) << "chunk " << chunk;
    }
}

TEST(KeyColorTransfer, UploadPutsEachKeyAtItsLed) {
    const KeyMap map = fixtureMap();
    const LedColors leds = ledColorsOf(fixtureMemory(), map);

    // Where each key's red byte lands: chunk and byte offset; LED 104 travels twice.
    struct Row {
        int chunk;
        int offset;
        std::uint8_t red;
    };
    const Row rows[] = {
        {0, 0, 0x01},  {1, 3, 0x04},  {6, 24, 0x07}, {7, 0, 0x07},
        {6, 45, 0x0A}, {7, 21, 0x0A}, {7, 24, 0x0D}, {7, 45, 0x10},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(::testing::Message() << "chunk " << row.chunk << " byte " << row.offset);
        const KeyColorChunk bytes = keyColorChunk(leds, row.chunk);
        EXPECT_EQ(bytes.rgb[row.offset], row.red);
        EXPECT_EQ(bytes.rgb[row.offset + 1], row.red + 1);
        EXPECT_EQ(bytes.rgb[row.offset + 2], row.red + 2);
    }

    // Nothing else is sent: not the key on LED 125, not the key past keyCount.
    int sentBytes = 0;
    for (int chunk = 0; chunk < KEY_COLOR_CHUNKS; ++chunk) {
        for (std::uint8_t byte : keyColorChunk(leds, chunk).rgb) {
            sentBytes += byte != 0;
        }
    }
    EXPECT_EQ(sentBytes, 3 * 8);
    EXPECT_EQ(leds.rgb[3 * 125], 0x13); // kept in the image, never in a chunk
    EXPECT_EQ(leds.rgb[3 * 50], 0);
}

TEST(KeyColorTransfer, DownloadRebuildsLedsAndKeyColours) {
    LedColors keyboard{};
    for (int i = 0; i < LED_COUNT * 3; ++i) {
        keyboard.rgb[i] = static_cast<std::uint8_t>(i * 7 + 1);
    }
    LedColors read{};
    for (int chunk = 0; chunk < KEY_COLOR_CHUNKS; ++chunk) {
        KeyColorChunk answer = keyColorChunk(keyboard, chunk);
        if (chunk == KEY_COLOR_CHUNKS - 1) {
            std::fill(answer.rgb, answer.rgb + 24, 0xEE); // first half comes from chunk 6
        }
        storeKeyColorChunk(read, chunk, answer);
    }
    for (int led = 0; led < LED_COUNT; ++led) {
        SCOPED_TRACE(led);
        for (int c = 0; c < 3; ++c) {
            ASSERT_EQ(read.rgb[3 * led + c], led < 120 ? keyboard.rgb[3 * led + c] : 0);
        }
    }

    CustomParams memory = fixtureMemory();
    applyLedColors(read, memory, fixtureMap());
    auto colorAt = [&](int led) {
        return makeColor(read.rgb[3 * led], read.rgb[3 * led + 1], read.rgb[3 * led + 2]);
    };
    EXPECT_EQ(memory.keyColor[0], colorAt(0));
    EXPECT_EQ(memory.keyColor[5], colorAt(119));
    EXPECT_EQ(memory.keyColor[6], 0u);          // LED 125 never travels
    EXPECT_EQ(memory.keyColor[7], 0x00181716u); // no LED: unchanged
    EXPECT_EQ(memory.keyColor[8], 0x001B1A19u); // stray LED number: unchanged
    EXPECT_EQ(memory.keyColor[9], 0x00FFFFFFu); // past keyCount: unchanged
}

TEST(KeyColorTransfer, ChunkNumbersOutsideTheTransferDoNothing) {
    LedColors leds{};
    leds.rgb[0] = 9;
    KeyColorChunk bytes;
    std::fill(std::begin(bytes.rgb), std::end(bytes.rgb), 0xAB);
    for (int chunk : {-1, KEY_COLOR_CHUNKS, 1000}) {
        storeKeyColorChunk(leds, chunk, bytes);
        EXPECT_EQ(keyColorChunk(leds, chunk), KeyColorChunk{});
    }
    EXPECT_EQ(leds, LedColors{{9}});
}

} // namespace
} // namespace lumetta
