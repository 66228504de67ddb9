#include "device/wire/EffectEntry.h"

#include "device/wire/EffectEntryCodec.h"

#include <gtest/gtest.h>

#include <array>
#include <cstring>
#include <memory>

namespace lumetta {
namespace {

using Bytes = std::array<std::uint8_t, 12>;

Bytes bytesOf(const EffectEntry& entry) {
    Bytes bytes;
    std::memcpy(bytes.data(), &entry, sizeof entry);
    return bytes;
}

// Distinct values in every block, so each byte of an entry shows where it came from.
std::unique_ptr<LayerRecord> sampleLayer() {
    auto layer = std::make_unique<LayerRecord>();
    layer->staticParams.color = 0x00332211;
    layer->colorCycleParams = {1, 5, 2, 0};
    layer->breathParams = {1, {}, 0x00030201, 2, 0, 1, 0};
    layer->singleKeyParams = {1, {}, 0x00C0B0A0, 0x00F0E0D0, 4, 0, {}};
    layer->waveParams = {1, 2, 1, 0, 0x000A0B0C, 1, {}};
    layer->auroraParams = {1, 6, 1, 0, 0x00010101, 0x00020202};
    layer->rippleParams = {1, {}, 0x00112233, 0x00445566, 0, 0, {}};
    layer->raindropParams = {1, {}, 0x00778899, 0x00AABBCC, 1, 3, 2, 0};
    layer->snakeParams = {1, 2, 1, 0, 0x000000FF, 0x0000FF00};
    layer->crossLineParams = {1, 1, 0, 4, 0x00FF0000, 0x00000001};
    layer->starParams = {1, {}, 0x00123456, 0x00654321, 1, {}};
    return layer;
}

TEST(EffectEntry, BuildTakesEachEffectsFields) {
    struct Row {
        EffectCode code;
        Bytes expected;
    };
    const Row rows[] = {
        {EffectCode::STATIC, {0x00, 0, 0, 0xFF, 0xFF, 0xFF, 0x11, 0x22, 0x33, 0, 0, 0}},
        {EffectCode::COLOR_CYCLE, {0x01, 5, 0, 0xFF, 0xFF, 2, 0, 0, 0, 0, 0, 0}},
        {EffectCode::BREATH, {0x02, 2, 0x80, 0xFF, 0xFF, 0xFF, 1, 2, 3, 0, 0, 0}},
        {EffectCode::SINGLE_KEY,
         {0x03, 4, 0, 0xFF, 0xFF, 0xFF, 0xA0, 0xB0, 0xC0, 0xD0, 0xE0, 0xF0}},
        {EffectCode::COLOR_WAVE, {0x04, 1, 0x86, 0xFF, 0xFF, 0xFF, 0x0C, 0x0B, 0x0A, 0, 0, 0}},
        {EffectCode::AURORA_MODE, {0x05, 6, 0x80, 0xFF, 0xFF, 0xFF, 1, 1, 1, 2, 2, 2}},
        {EffectCode::RIPPLE, {0x06, 0, 0, 0xFF, 0xFF, 0xFF, 0x33, 0x22, 0x11, 0x66, 0x55, 0x44}},
        {EffectCode::RAIN_DROP, {0x07, 3, 0x80, 2, 0xFF, 0xFF, 0x99, 0x88, 0x77, 0xCC, 0xBB, 0xAA}},
        {EffectCode::GAME_SNAKE, {0x08, 2, 0x02, 0xFF, 0xFF, 0xFF, 0xFF, 0, 0, 0, 0xFF, 0}},
        {EffectCode::CROSS_LINE, {0x0A, 4, 0, 0xFF, 0xFF, 0xFF, 0, 0, 0xFF, 1, 0, 0}},
        {EffectCode::STAR_EFFECT,
         {0x0B, 1, 0, 0xFF, 0xFF, 0xFF, 0x56, 0x34, 0x12, 0x21, 0x43, 0x65}},
        // No entry of their own: the effect byte and the defaults only.
        {EffectCode::CUSTOMIZE, {0xB0, 0, 0, 0xFF, 0xFF, 0xFF, 0, 0, 0, 0, 0, 0}},
        {EffectCode::MULTILAYER, {0xE1, 0, 0, 0xFF, 0xFF, 0xFF, 0, 0, 0, 0, 0, 0}},
        {EffectCode::OFF, {0xFE, 0, 0, 0xFF, 0xFF, 0xFF, 0, 0, 0, 0, 0, 0}},
    };
    const auto layer = sampleLayer();
    for (const Row& row : rows) {
        SCOPED_TRACE(effectKey(row.code));
        EXPECT_EQ(bytesOf(buildEffectEntry(*layer, row.code)), row.expected);
        EXPECT_EQ(hasEffectEntry(row.code), row.expected[0] < 12);
    }
}

TEST(EffectEntry, DirectionCodes) {
    struct Row {
        EffectCode code;
        std::uint8_t direction;
        std::uint8_t flags;
    };
    const Row rows[] = {
        {EffectCode::COLOR_WAVE, 0, 0}, {EffectCode::COLOR_WAVE, 1, 4},
        {EffectCode::COLOR_WAVE, 2, 6}, {EffectCode::COLOR_WAVE, 3, 2},
        {EffectCode::COLOR_WAVE, 4, 0}, {EffectCode::COLOR_WAVE, 255, 0},
        {EffectCode::GAME_SNAKE, 0, 0}, {EffectCode::GAME_SNAKE, 1, 2},
        {EffectCode::GAME_SNAKE, 2, 0},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(::testing::Message() << effectKey(row.code) << " " << int(row.direction));
        auto layer = std::make_unique<LayerRecord>();
        layer->waveParams.direction = row.direction;
        layer->snakeParams.direction = row.direction;
        EXPECT_EQ(buildEffectEntry(*layer, row.code).flags, row.flags);
    }
}

// Settings survive the whole road: build, encode, decode, store into an empty layer, build again.
TEST(EffectEntry, EveryEffectRoundTripsThroughTheWire) {
    const EffectCode codes[] = {
        EffectCode::STATIC,     EffectCode::COLOR_CYCLE, EffectCode::BREATH, EffectCode::SINGLE_KEY,
        EffectCode::COLOR_WAVE, EffectCode::AURORA_MODE, EffectCode::RIPPLE, EffectCode::RAIN_DROP,
        EffectCode::GAME_SNAKE, EffectCode::STAR_EFFECT};
    for (EffectCode code : codes) {
        const int speeds = code == EffectCode::STAR_EFFECT ? 5 : 7;
        for (int level = 0; level < speeds; ++level) {
            SCOPED_TRACE(::testing::Message() << effectKey(code) << " level " << level);
            auto original = sampleLayer();
            const auto speed = static_cast<std::uint8_t>(level);
            const auto small = static_cast<std::uint8_t>(level % 5);
            const auto flag = static_cast<std::uint8_t>(level % 2);
            original->colorCycleParams.speed = speed;
            original->colorCycleParams.percent = small;
            original->breathParams.speed = speed;
            original->breathParams.randomColor = flag;
            original->singleKeyParams.speed = speed;
            original->singleKeyParams.randomColor = flag;
            original->waveParams.speed = speed;
            original->waveParams.direction = static_cast<std::uint8_t>(level % 4);
            original->auroraParams.speed = speed;
            original->rippleParams.speed = speed;
            original->rippleParams.randomColor = flag;
            original->raindropParams.speed = speed;
            original->raindropParams.percent = small;
            original->snakeParams.speed = speed;
            original->snakeParams.randomColor = flag;
            original->snakeParams.direction = 0; // not read back
            original->starParams.speed = speed;

            const EffectEntry sent = buildEffectEntry(*original, code);
            EffectEntryBlock block = singleEntryBlock(sent);
            encodeEffectEntries(block);
            decodeEffectEntries(block);
            auto read = std::make_unique<LayerRecord>();
            storeEffectEntry(block[0], *read);
            EXPECT_EQ(bytesOf(buildEffectEntry(*read, code)), bytesOf(sent));
        }
    }
}

TEST(EffectEntry, StoreWritesOnlyTheFieldsTheKeyboardReports) {
    auto layer = sampleLayer();
    const auto before = *layer;

    EffectEntry crossLine = UNUSED_EFFECT_ENTRY;
    crossLine.effect = device_effect::CROSS_LINE;
    layer->crossLineParams.filled = 0;
    storeEffectEntry(crossLine, *layer);
    EXPECT_EQ(layer->crossLineParams, before.crossLineParams);

    EffectEntry snake = buildEffectEntry(*layer, EffectCode::GAME_SNAKE);
    snake.flags = 0; // direction code 0 would read as direction 0
    storeEffectEntry(snake, *layer);
    EXPECT_EQ(layer->snakeParams.direction, 1);

    EffectEntry staticEntry = buildEffectEntry(*layer, EffectCode::STATIC);
    staticEntry.color[0] = 0x44;
    layer->staticParams.filled = 0;
    storeEffectEntry(staticEntry, *layer);
    EXPECT_EQ(layer->staticParams.color, 0x00332244u);
    EXPECT_EQ(layer->staticParams.filled, 0); // STATIC alone leaves filled alone

    EffectEntry unknown = UNUSED_EFFECT_ENTRY;
    unknown.effect = 9;
    storeEffectEntry(unknown, *layer);
    EXPECT_EQ(std::memcmp(&layer->waveParams, &before.waveParams, 1548 - 280), 0);
}

TEST(EffectEntry, FailedReadStoresTheRequestBytes) {
    // A read that got no answer leaves the request in place: 0xFF everywhere but the effect.
    EffectEntryBlock block = effectEntryRequest(device_effect::SINGLE_KEY);
    EXPECT_EQ(block[1], UNUSED_EFFECT_ENTRY);
    auto layer = std::make_unique<LayerRecord>();
    storeEffectEntry(block[0], *layer);
    EXPECT_EQ(layer->singleKeyParams, (SingleKeyParams{1, {}, 0x00FFFFFF, 0x00FFFFFF, 255, 1, {}}));
}

} // namespace
} // namespace lumetta
