#include "device/wire/LayerEffects.h"

#include <gtest/gtest.h>

#include <memory>
#include <vector>

namespace lumetta {
namespace {

using E = EffectCode;

std::unique_ptr<LayerRecord> layerWith(const std::vector<E>& keyEffects) {
    auto layer = std::make_unique<LayerRecord>();
    for (std::size_t key = 0; key < keyEffects.size(); ++key) {
        setKeyEffectCode(*layer, static_cast<int>(key), keyEffects[key]);
    }
    return layer;
}

std::vector<E> codesOf(const LayerEffects& effects) {
    return {effects.codes.begin(), effects.codes.begin() + effects.count};
}

TEST(LayerEffects, DistinctEffectsInOrderOfFirstKey) {
    struct Row {
        const char* what;
        std::vector<E> keys;
        int keyCount;
        std::vector<E> expected;
    };
    const Row rows[] = {
        {"unassigned keys skipped",
         {E::NONE, E::BREATH, E::STATIC, E::BREATH, E::NONE, E::CUSTOMIZE, E::STATIC},
         MAX_KEYS,
         {E::BREATH, E::STATIC, E::CUSTOMIZE}},
        {"keys past keyCount ignored", {E::RIPPLE, E::OFF, E::BREATH}, 2, {E::RIPPLE, E::OFF}},
        {"no assignment", {}, MAX_KEYS, {}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        KeyMap map;
        map.keyCount = row.keyCount;
        EXPECT_EQ(codesOf(distinctKeyEffects(*layerWith(row.keys), map)), row.expected);
    }
}

TEST(LayerEffects, RoomForEveryValueTheKeysCanHold) {
    auto layer = std::make_unique<LayerRecord>();
    for (int key = 0; key < MAX_KEYS; ++key) {
        layer->keyEffect[key] = static_cast<std::uint16_t>(0x2000 + key);
    }
    const LayerEffects effects = distinctKeyEffects(*layer, KeyMap{});
    ASSERT_EQ(effects.count, MAX_KEYS);
    EXPECT_EQ(effects.codes[MAX_KEYS - 1], static_cast<E>(0x2000 + MAX_KEYS - 1));
}

TEST(LayerEffects, ListKeepsTheFirstElevenAndNeverWritesPastIt) {
    // All thirteen effects a map read from the keyboard can name.
    const std::vector<E> thirteen = {E::CUSTOMIZE,  E::STATIC,     E::COLOR_CYCLE, E::BREATH,
                                     E::SINGLE_KEY, E::COLOR_WAVE, E::AURORA_MODE, E::RIPPLE,
                                     E::RAIN_DROP,  E::GAME_SNAKE, E::CROSS_LINE,  E::STAR_EFFECT,
                                     E::OFF};
    auto layer = layerWith(thirteen);
    layer->staticParams.filled = 0x5A; // the field right after the list
    const LayerEffects effects = distinctKeyEffects(*layer, KeyMap{});
    EXPECT_EQ(effects.count, 13);
    storeLayerEffectList(effects, *layer);
    EXPECT_EQ(std::vector<E>(std::begin(layer->effectList), std::end(layer->effectList)),
              std::vector<E>(thirteen.begin(), thirteen.begin() + EFFECT_LIST_SLOTS));
    EXPECT_EQ(layer->staticParams.filled, 0x5A);

    // A shorter list clears the slots it does not fill.
    storeLayerEffectList(distinctKeyEffects(*layerWith({E::BREATH}), KeyMap{}), *layer);
    EXPECT_EQ(layer->effectList[0], E::BREATH);
    EXPECT_EQ(layer->effectList[1], E::NONE);
    EXPECT_EQ(layer->effectList[10], E::NONE);
}

TEST(LayerEffects, WhatEachLayerEffectUploads) {
    struct Row {
        E code;
        LayerUpload upload;
    };
    const Row rows[] = {
        {E::STATIC, LayerUpload::ENTRY},          {E::COLOR_WAVE, LayerUpload::ENTRY},
        {E::CROSS_LINE, LayerUpload::ENTRY},      {E::SINGLE_KEY, LayerUpload::ENTRY},
        {E::STAR_EFFECT, LayerUpload::ENTRY},     {E::RAIN_DROP, LayerUpload::ENTRY},
        {E::COLOR_CYCLE, LayerUpload::ENTRY},     {E::BREATH, LayerUpload::ENTRY},
        {E::RIPPLE, LayerUpload::ENTRY},          {E::GAME_SNAKE, LayerUpload::ENTRY},
        {E::AURORA_MODE, LayerUpload::ENTRY},     {E::CUSTOMIZE, LayerUpload::KEY_COLORS},
        {E::OFF, LayerUpload::NOTHING},           {E::MULTILAYER, LayerUpload::NOTHING},
        {E::SYSTEM_STATUS, LayerUpload::NOTHING}, {static_cast<E>(0x100B), LayerUpload::NOTHING},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(toInt(row.code));
        EXPECT_EQ(layerUploadOf(row.code), row.upload);
    }
}

} // namespace
} // namespace lumetta
