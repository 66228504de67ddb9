#include "device/wire/EffectEntryCodec.h"

#include <gtest/gtest.h>

#include <array>
#include <cstring>

namespace lumetta {
namespace {

using Bytes = std::array<std::uint8_t, 12>;

EffectEntry entryOf(const Bytes& bytes) {
    EffectEntry entry;
    std::memcpy(&entry, bytes.data(), sizeof entry);
    return entry;
}

EffectEntry encoded(EffectEntry entry) {
    EffectEntryBlock block = singleEntryBlock(entry);
    encodeEffectEntries(block);
    return block[0];
}

EffectEntry decoded(EffectEntry entry) {
    EffectEntryBlock block = singleEntryBlock(entry);
    decodeEffectEntries(block);
    return block[0];
}

EffectEntry withSpeed(std::uint8_t effect, std::uint8_t speed) {
    EffectEntry entry{};
    entry.effect = effect;
    entry.speed = speed;
    return entry;
}

TEST(EffectEntryCodec, EncodesWholeEntries) {
    struct Row {
        const char* what;
        Bytes input;
        Bytes expected;
    };
    const Row rows[] = {
        {"breathing, level 3, random, red",
         {0x02, 3, 0x80, 0xFF, 0xFF, 0xFF, 0xFF, 0, 0, 0, 0, 0},
         {0x02, 0x31, 0xA0, 0xFF, 0xFF, 0xFF, 0xFF, 0, 0, 0, 0, 0}},
        {"rain, speed 6, amount 7 limited to 4",
         {0x07, 6, 0, 7, 0, 0xFF, 1, 2, 3, 4, 5, 6},
         {0x07, 30, 0, 11, 0xFF, 0xFF, 1, 2, 3, 4, 5, 6}},
        {"colour cycle, percent 0",
         {0x01, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0},
         {0x01, 90, 0, 0xFF, 0xFF, 51, 0, 0, 0, 0, 0, 0}},
        {"colour cycle, percent 4",
         {0x01, 6, 0, 0, 0, 4, 0, 0, 0, 0, 0, 0},
         {0x01, 20, 0, 0xFF, 0xFF, 255, 0, 0, 0, 0, 0, 0}},
        {"wave, direction kept",
         {0x04, 1, 0x86, 0, 0, 0xFF, 0, 0, 0, 0, 0, 0},
         {0x04, 72, 0x86, 10, 0xFF, 0xFF, 0, 0, 0, 0, 0, 0}},
        {"snake",
         {0x08, 2, 0x02, 0, 0, 0xFF, 0, 0, 0, 0, 0, 0},
         {0x08, 54, 0x02, 4, 0xFF, 0xFF, 0, 0, 0, 0, 0, 0}},
        {"star",
         {0x0B, 4, 0, 0, 0, 0xFF, 0, 0, 0, 0, 0, 0},
         {0x0B, 50, 0, 33, 0xFF, 0xFF, 0, 0, 0, 0, 0, 0}},
        {"static keeps its speed byte",
         {0x00, 3, 0, 7, 7, 7, 9, 9, 9, 0, 0, 0},
         {0x00, 3, 0, 0xFF, 0xFF, 7, 9, 9, 9, 0, 0, 0}},
        {"unused entry stays unused",
         {0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF},
         {0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        EXPECT_EQ(encoded(entryOf(row.input)), entryOf(row.expected));
    }
}

TEST(EffectEntryCodec, RainAmountLevels) {
    const std::uint8_t levels[] = {0, 1, 2, 3, 4, 5, 255};
    const std::uint8_t bytes[] = {91, 71, 51, 31, 11, 11, 11};
    for (int i = 0; i < 7; ++i) {
        SCOPED_TRACE(int(levels[i]));
        EffectEntry entry = withSpeed(device_effect::RAIN_DROP, 0);
        entry.parameter = levels[i];
        const EffectEntry sent = encoded(entry);
        EXPECT_EQ(sent.parameter, bytes[i]);
        EXPECT_EQ(decoded(sent).parameter, levels[i] > 4 ? 4 : levels[i]);
    }
    for (std::uint8_t odd : {0, 255, 111, 5}) {
        SCOPED_TRACE(int(odd));
        EffectEntry entry = withSpeed(device_effect::RAIN_DROP, 70);
        entry.parameter = odd;
        EXPECT_EQ(decoded(entry).parameter, 4);
    }
}

// Device speed values per level 0..7; level 7 is outside every scale.
TEST(EffectEntryCodec, SpeedScales) {
    struct Row {
        std::uint8_t effect;
        std::array<std::uint8_t, 8> values;
    };
    const Row rows[] = {
        {1, {90, 80, 60, 49, 40, 30, 20, 7}},
        {2, {70, 60, 55, 49, 44, 38, 28, 7}},
        {3, {80, 70, 65, 56, 45, 39, 20, 20}},
        {4, {80, 72, 66, 60, 51, 42, 30, 7}},
        {5, {180, 150, 120, 108, 102, 98, 96, 7}},
        {6, {179, 150, 120, 108, 102, 98, 96, 7}},
        {7, {70, 65, 60, 56, 50, 40, 30, 30}},
        {8, {65, 59, 54, 49, 45, 41, 37, 7}},
        {10, {65, 57, 50, 42, 35, 5, 6, 7}},
        {11, {70, 65, 60, 55, 50, 5, 6, 7}},
        {0, {0, 1, 2, 3, 4, 5, 6, 7}},
        {9, {0, 1, 2, 3, 4, 5, 6, 7}},
        {0xB0, {0, 1, 2, 3, 4, 5, 6, 7}},
    };
    for (const Row& row : rows) {
        for (int level = 0; level < 8; ++level) {
            SCOPED_TRACE(::testing::Message()
                         << "effect " << int(row.effect) << " level " << level);
            const auto speed = static_cast<std::uint8_t>(level);
            EXPECT_EQ(encoded(withSpeed(row.effect, speed)).speed, row.values[level]);
        }
    }
}

TEST(EffectEntryCodec, DecodesDeviceValuesToLevels) {
    struct Row {
        std::uint8_t effect;
        std::uint8_t value;
        std::uint8_t level;
    };
    const Row rows[] = {
        {6, 179, 0},   {6, 178, 1},   {6, 255, 0},        {6, 0, 6},   {5, 180, 0}, {5, 179, 1},
        {5, 97, 6},    {1, 90, 0},    {1, 89, 1},         {1, 30, 5},  {1, 29, 6},  {2, 49, 3},
        {3, 39, 5},    {3, 38, 6},    {4, 51, 4},         {7, 40, 5},  {8, 41, 5},  {8, 40, 6},
        {10, 65, 0},   {10, 42, 3},   {10, 41, 4},        {10, 20, 4}, {11, 55, 3}, {11, 54, 4},
        {0, 200, 200}, {9, 200, 200}, {0xFF, 0xFF, 0xFF},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(::testing::Message()
                     << "effect " << int(row.effect) << " value " << int(row.value));
        EXPECT_EQ(decoded(withSpeed(row.effect, row.value)).speed, row.level);
    }
}

TEST(EffectEntryCodec, ColourCycleBrightness) {
    struct Row {
        std::uint8_t level;
        std::uint8_t onWire;
    };
    const Row rows[] = {{0, 51}, {1, 102}, {2, 153}, {3, 204}, {4, 255}};
    for (const Row& row : rows) {
        SCOPED_TRACE(int(row.level));
        EffectEntry entry = withSpeed(device_effect::COLOR_CYCLE, 3);
        entry.level = row.level;
        const EffectEntry sent = encoded(entry);
        EXPECT_EQ(sent.level, row.onWire);
        EXPECT_EQ(decoded(sent).level, row.level);
    }
    for (std::uint8_t odd : {0, 50}) {
        EffectEntry entry = withSpeed(device_effect::COLOR_CYCLE, 3);
        entry.level = odd;
        EXPECT_EQ(decoded(entry).level, 0);
    }
}

TEST(EffectEntryCodec, StaticEntriesAreReadAsTheyCame) {
    const EffectEntry entry = entryOf({0x00, 90, 0xFF, 91, 0xFF, 255, 1, 2, 3, 4, 5, 6});
    EXPECT_EQ(decoded(entry), entry);
}

TEST(EffectEntryCodec, EveryEntryOfTheBlockIsCoded) {
    EffectEntryBlock block;
    for (int i = 0; i < ENTRIES_PER_REPORT; ++i) {
        block[i] = withSpeed(device_effect::BREATH, static_cast<std::uint8_t>(i));
    }
    encodeEffectEntries(block);
    const std::uint8_t sent[] = {70, 60, 55, 49, 44};
    for (int i = 0; i < ENTRIES_PER_REPORT; ++i) {
        EXPECT_EQ(block[i].speed, sent[i]) << "entry " << i;
    }
    decodeEffectEntries(block);
    for (int i = 0; i < ENTRIES_PER_REPORT; ++i) {
        EXPECT_EQ(block[i].speed, i) << "entry " << i;
    }
}

} // namespace
} // namespace lumetta
