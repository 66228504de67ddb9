#include "device/channel/KeyColors.h"
#include "device/channel/MultiLayerTransfer.h"

#include "InProcessKeyboard.h"
#include "ScriptedCatalogue.h"
#include "TestKeyMaps.h"
#include "lighting/model/LayerDefaults.h"

#include <gtest/gtest.h>

#include <vector>

namespace lumetta {
namespace {

using testing::InProcessKeyboard;
using testing::ScriptedCatalogue;

// Keys on LEDs 0, 17, 119, 125 and one without an LED.
KeyMap sparseKeyMap() {
    KeyMap map;
    map.keyCount = 5;
    const std::uint8_t leds[] = {0, 17, 119, 125, NO_LED};
    for (int key = 0; key < 5; ++key) {
        map.keyLed[key] = leds[key];
    }
    return map;
}

CustomParams paintedMemory() {
    CustomParams memory{};
    for (int key = 0; key < MAX_KEYS; ++key) {
        memory.keyColor[key] = makeColor(static_cast<std::uint8_t>(key + 1), 0x20, 0x30);
    }
    return memory;
}

TEST(KeyColorTransfer, UploadSendsEightChunksWithTheColoursAtTheirLeds) {
    ScriptedCatalogue catalogue;
    const KeyMap map = sparseKeyMap();
    EXPECT_EQ(uploadKeyColors(catalogue, paintedMemory(), map), 0);
    ASSERT_EQ(catalogue.requests.size(), 8u);
    const int indexes[] = {0, 2, 4, 6, 8, 10, 12, 13};
    std::vector<std::uint8_t> sentLeds(128 * 3, 0);
    for (int k = 0; k < 8; ++k) {
        const CommandReport& r = catalogue.requests[k];
        EXPECT_EQ(r.Command, 0x51);
        EXPECT_EQ(r.SubCommand, 0xA8);
        EXPECT_EQ(r.Index, indexes[k]);
        for (int i = 0; i < 48; ++i) {
            sentLeds[3 * 8 * indexes[k] + i] |= r.Data[i];
        }
    }
    const struct {
        int led;
        int red; // 0 when nothing is sent for the LED
    } rows[] = {{0, 1}, {17, 2}, {119, 3}, {125, 0}, {1, 0}};
    for (const auto& row : rows) {
        SCOPED_TRACE(row.led);
        EXPECT_EQ(sentLeds[3 * row.led], row.red);
    }
}

TEST(KeyColorTransfer, DownloadSetsKeysFromTheirLedsAndKeepsKeysOfAnUnreadChunk) {
    InProcessKeyboard keyboard;
    const KeyMap map = sparseKeyMap();
    auto& memory = keyboard.state.profiles[0].keyColors[1];
    for (std::size_t i = 0; i < memory.size(); ++i) {
        memory[i] = static_cast<std::uint8_t>(i % 251);
    }
    keyboard.SelectCustomMemory(1);

    CustomParams read = paintedMemory();
    EXPECT_EQ(downloadKeyColors(keyboard, read, map), 0);
    const struct {
        int key;
        int led; // -1: the key keeps its colour
    } rows[] = {{0, 0}, {1, 17}, {2, 119}, {4, -1}};
    for (const auto& row : rows) {
        SCOPED_TRACE(row.key);
        const Color expected = row.led < 0 ? paintedMemory().keyColor[row.key]
                                           : makeColor(memory[3 * row.led], memory[3 * row.led + 1],
                                                       memory[3 * row.led + 2]);
        EXPECT_EQ(read.keyColor[row.key], expected);
    }
    EXPECT_EQ(read.keyColor[3], 0u) << "LEDs 120 to 127 never travel";

    // The second chunk (LEDs 16 to 31) goes unanswered: the key on LED 17 stays as it was.
    read = paintedMemory();
    int chunk = 0;
    ScriptedCatalogue relay;
    relay.answer = [&](CommandReport& r) { return chunk++ == 1 ? 1 : keyboard.Transact(r); };
    EXPECT_EQ(downloadKeyColors(relay, read, map), 1);
    EXPECT_EQ(read.keyColor[1], paintedMemory().keyColor[1]);
    EXPECT_EQ(read.keyColor[0], makeColor(memory[0], memory[1], memory[2]));
}

LayerRecord multiLayerWith(std::initializer_list<EffectCode> codes) {
    LayerRecord layer{};
    resetLayer(layer, testing::identityKeyMap());
    int key = 0;
    for (EffectCode code : codes) {
        setKeyEffectCode(layer, key++, code);
    }
    return layer;
}

TEST(MultiLayerTransfer, UploadSendsEachDistinctEffectOnceThenTheMapAndSelectsIt) {
    ScriptedCatalogue catalogue;
    const KeyMap map = testing::identityKeyMap();
    const LayerRecord layer =
        multiLayerWith({EffectCode::STATIC, EffectCode::CUSTOMIZE, EffectCode::STATIC,
                        EffectCode::COLOR_CYCLE, EffectCode::OFF, EffectCode::COLOR_CYCLE});
    int resets = 0;
    EXPECT_EQ(uploadMultiLayer(
                  catalogue, layer, [&] { ++resets; }, map),
              0);
    EXPECT_EQ(resets, 1);

    // Per request: command/sub-command, index and the first data byte.
    std::vector<std::string> sent;
    for (const CommandReport& r : catalogue.requests) {
        char text[32];
        std::snprintf(text, sizeof text, "%02x/%02x %d:%d", r.Command, r.SubCommand, r.Index,
                      r.Command == 0x51 && r.SubCommand == 0xA8 ? 0 : r.Data[0]);
        sent.push_back(text);
    }
    const std::vector<std::string> expected = {
        "51/2c 2:0", // STATIC's entry on layer 2
        "51/30 0:0", // CUSTOMIZE: memory 1 as key colours
        "51/a8 0:0", "51/a8 2:0",  "51/a8 4:0",  "51/a8 6:0",
        "51/a8 8:0", "51/a8 10:0", "51/a8 12:0", "51/a8 13:0",
        "51/2c 2:1", // COLOR_CYCLE's entry; OFF sends nothing
        "51/a0 2:0", "51/a0 2:7",  "51/a0 2:14", "51/28 0:225"};
    EXPECT_EQ(sent, expected);

    // The map: key 1 CUSTOMIZE as 177, key 4 OFF and every unassigned key 254.
    const CommandReport& first = catalogue.requests[catalogue.requests.size() - 4];
    EXPECT_EQ(first.Data[4 + 0], 0);
    EXPECT_EQ(first.Data[4 + 1], 177);
    EXPECT_EQ(first.Data[4 + 3], 1);
    EXPECT_EQ(first.Data[4 + 4], 254);
    EXPECT_EQ(first.Data[4 + 6], 254);
}

TEST(MultiLayerTransfer, AllStaticLayerSendsZeroLedBytesAndSelectsTheMultiLayer) {
    ScriptedCatalogue catalogue;
    const KeyMap map = testing::identityKeyMap();
    LayerRecord layer = multiLayerWith({});
    for (int key = 0; key < MAX_KEYS; ++key) {
        setKeyEffectCode(layer, key, EffectCode::STATIC);
    }
    EXPECT_EQ(uploadKeyEffectMap(catalogue, layer, map), 0);
    ASSERT_EQ(catalogue.requests.size(), 4u);
    for (int c = 0; c < 3; ++c) {
        for (int led = 0; led < 56; ++led) {
            EXPECT_EQ(catalogue.requests[c].Data[4 + led], 0) << c << ":" << led;
        }
    }
    EXPECT_EQ(catalogue.requests[3].Data[0], 225);
}

TEST(MultiLayerTransfer, ReadBackGivesTheKeysAndTheDistinctEffectsInKeyOrder) {
    InProcessKeyboard keyboard;
    const KeyMap map = testing::identityKeyMap();
    LayerRecord written = multiLayerWith({});
    const EffectCode cycle[] = {
        EffectCode::RIPPLE, EffectCode::CUSTOMIZE,   EffectCode::STATIC, EffectCode::GAME_SNAKE,
        EffectCode::OFF,    EffectCode::STAR_EFFECT, EffectCode::RIPPLE, EffectCode::COLOR_WAVE};
    for (int key = 0; key < MAX_KEYS; ++key) {
        setKeyEffectCode(written, key, cycle[key % 8]);
    }
    EXPECT_EQ(uploadMultiLayer(keyboard, written, {}, map), 0);

    LayerRecord read = multiLayerWith({});
    EXPECT_EQ(readMultiLayer(keyboard, read, map), 0);
    for (int key = 0; key < MAX_KEYS; ++key) {
        ASSERT_EQ(read.keyEffect[key], written.keyEffect[key]) << "key " << key;
    }
    const EffectCode expectedList[] = {
        EffectCode::RIPPLE, EffectCode::CUSTOMIZE,   EffectCode::STATIC,    EffectCode::GAME_SNAKE,
        EffectCode::OFF,    EffectCode::STAR_EFFECT, EffectCode::COLOR_WAVE};
    for (int slot = 0; slot < EFFECT_LIST_SLOTS; ++slot) {
        EXPECT_EQ(read.effectList[slot], slot < 7 ? expectedList[slot] : EffectCode::NONE)
            << "slot " << slot;
    }
}

} // namespace
} // namespace lumetta
