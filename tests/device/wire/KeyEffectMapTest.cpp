#include "device/wire/KeyEffectMap.h"

#include <gtest/gtest.h>

#include <memory>

namespace lumetta {
namespace {

using E = EffectCode;

TEST(KeyEffectMap, ChunkHeaders) {
    struct Row {
        int chunk;
        int firstGroup;
        int groupCount;
    };
    const Row rows[] = {{0, 0, 7}, {1, 7, 7}, {2, 14, 1}};
    for (const Row& row : rows) {
        SCOPED_TRACE(row.chunk);
        const KeyEffectChunk header = keyEffectChunkHeader(row.chunk);
        EXPECT_EQ(header.firstGroup, row.firstGroup);
        EXPECT_EQ(header.groupCount, row.groupCount);
        EXPECT_EQ(header.reserved[0] | header.reserved[1], 0);
        for (std::uint8_t byte : header.effect) {
            ASSERT_EQ(byte, 0);
        }
    }
}

TEST(KeyEffectMap, EffectNumbersInTheMap) {
    struct Row {
        E code;
        int number;
    };
    const Row written[] = {
        {E::CUSTOMIZE, 177},
        {E::NONE, 254},
        {E::OFF, 254},
        {E::STATIC, 0},
        {E::COLOR_CYCLE, 1},
        {E::STAR_EFFECT, 11},
        {E::MULTILAYER, 225},
        {E::SYSTEM_STATUS, 216},
        {static_cast<E>(0x100B), 254},
        {static_cast<E>(0xFFFF), 254},
    };
    for (const Row& row : written) {
        SCOPED_TRACE(toInt(row.code));
        EXPECT_EQ(keyEffectToMapNumber(row.code), row.number);
    }
    const Row read[] = {
        {E::CUSTOMIZE, 176},  {E::CUSTOMIZE, 177}, {E::STATIC, 0},     {E::COLOR_CYCLE, 1},
        {E::BREATH, 2},       {E::SINGLE_KEY, 3},  {E::COLOR_WAVE, 4}, {E::AURORA_MODE, 5},
        {E::RIPPLE, 6},       {E::RAIN_DROP, 7},   {E::GAME_SNAKE, 8}, {E::CROSS_LINE, 10},
        {E::STAR_EFFECT, 11}, {E::OFF, 9},         {E::OFF, 12},       {E::OFF, 216},
        {E::OFF, 225},        {E::OFF, 254},       {E::OFF, 255},
    };
    for (const Row& row : read) {
        SCOPED_TRACE(row.number);
        EXPECT_EQ(mapNumberToKeyEffect(static_cast<std::uint8_t>(row.number)), row.code);
    }
}

struct MapKey {
    std::uint8_t led;
    E effect;
};

// Keys at the chunk borders, LED 120 beyond the announced groups, a key without an LED and a
// stray LED number.
const MapKey KEYS[] = {
    {0, E::CUSTOMIZE}, {55, E::BREATH},       {56, E::NONE},       {111, E::RIPPLE}, {112, E::OFF},
    {120, E::STATIC},  {127, E::STAR_EFFECT}, {NO_LED, E::BREATH}, {200, E::RIPPLE},
};
constexpr int KEY_COUNT = 9;

KeyMap fixtureMap() {
    KeyMap map;
    map.keyCount = KEY_COUNT;
    for (int key = 0; key < KEY_COUNT; ++key) {
        map.keyLed[key] = KEYS[key].led;
    }
    map.keyLed[KEY_COUNT] = 30; // past keyCount
    return map;
}

std::unique_ptr<LayerRecord> fixtureLayer() {
    auto layer = std::make_unique<LayerRecord>();
    for (int key = 0; key < KEY_COUNT; ++key) {
        setKeyEffectCode(*layer, key, KEYS[key].effect);
    }
    setKeyEffectCode(*layer, KEY_COUNT, E::BREATH);
    return layer;
}

TEST(KeyEffectMap, BuildPlacesEachKeyAtItsLed) {
    const KeyEffectMap chunks = buildKeyEffectMap(*fixtureLayer(), fixtureMap());
    struct Row {
        int chunk;
        int index;
        int number;
    };
    const Row rows[] = {{0, 0, 177}, {0, 55, 2}, {1, 0, 254}, {1, 55, 6},
                        {2, 0, 254}, {2, 8, 0},  {2, 15, 11}};
    int assigned = 0;
    for (const Row& row : rows) {
        SCOPED_TRACE(::testing::Message() << "chunk " << row.chunk << " LED byte " << row.index);
        EXPECT_EQ(chunks[row.chunk].effect[row.index], row.number);
    }
    for (const KeyEffectChunk& chunk : chunks) {
        for (std::uint8_t byte : chunk.effect) {
            assigned += byte != 0;
        }
    }
    EXPECT_EQ(assigned, 6); // the STATIC key is 0 like every LED without a key
    for (int c = 0; c < KEY_EFFECT_CHUNKS; ++c) {
        EXPECT_EQ(chunks[c].firstGroup, keyEffectChunkHeader(c).firstGroup);
        EXPECT_EQ(chunks[c].groupCount, keyEffectChunkHeader(c).groupCount);
    }
}

TEST(KeyEffectMap, AllStaticKeysGiveAZeroMap) {
    KeyMap map;
    for (int key = 0; key < MAX_KEYS; ++key) {
        map.keyLed[key] = static_cast<std::uint8_t>(key);
    }
    auto layer = std::make_unique<LayerRecord>();
    for (int key = 0; key < MAX_KEYS; ++key) {
        setKeyEffectCode(*layer, key, E::STATIC);
    }
    for (const KeyEffectChunk& chunk : buildKeyEffectMap(*layer, map)) {
        for (std::uint8_t byte : chunk.effect) {
            ASSERT_EQ(byte, 0);
        }
    }
}

TEST(KeyEffectMap, StoreReadsKeysChunkByChunk) {
    const KeyMap map = fixtureMap();
    KeyEffectMap answers;
    for (int c = 0; c < KEY_EFFECT_CHUNKS; ++c) {
        answers[c] = keyEffectChunkHeader(c);
    }
    answers[0].effect[0] = 176;
    answers[0].effect[55] = 9;
    answers[1].effect[0] = 0;
    answers[1].effect[55] = 8;
    answers[2].effect[0] = 177;
    answers[2].effect[8] = 225;
    answers[2].effect[15] = 1;

    auto layer = std::make_unique<LayerRecord>();
    for (int key = 0; key < MAX_KEYS; ++key) {
        setKeyEffectCode(*layer, key, E::AURORA_MODE);
    }
    storeKeyEffectChunk(1, answers[1], *layer, map);
    const E afterMiddle[] = {E::AURORA_MODE, E::AURORA_MODE, E::STATIC,     E::GAME_SNAKE,
                             E::AURORA_MODE, E::AURORA_MODE, E::AURORA_MODE};
    for (int key = 0; key < 7; ++key) {
        EXPECT_EQ(keyEffectCode(*layer, key), afterMiddle[key]) << "key " << key;
    }
    storeKeyEffectChunk(0, answers[0], *layer, map);
    storeKeyEffectChunk(2, answers[2], *layer, map);
    const E expected[] = {E::CUSTOMIZE,   E::OFF,        E::STATIC,      E::GAME_SNAKE,
                          E::CUSTOMIZE,   E::OFF,        E::COLOR_CYCLE, E::AURORA_MODE,
                          E::AURORA_MODE, E::AURORA_MODE};
    for (int key = 0; key < 10; ++key) {
        EXPECT_EQ(keyEffectCode(*layer, key), expected[key]) << "key " << key;
    }
}

} // namespace
} // namespace lumetta
