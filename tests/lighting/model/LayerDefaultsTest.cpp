#include "lighting/model/LayerDefaults.h"

#include "KeyMapFixture.h"
#include "lighting/model/EffectCount.h"

#include <gtest/gtest.h>

#include <cstring>
#include <memory>

namespace lumetta {
namespace {

using testing::smallKeyMap;

TEST(LayerDefaults, FreshProfileHoldsTheDefaults) {
    const KeyMap map = smallKeyMap();
    auto profile = std::make_unique<ProfileRecord>();
    std::memset(profile.get(), 0xA5, sizeof(ProfileRecord)); // nothing may survive a reset
    resetProfile(*profile, map);

    EXPECT_EQ(profile->name[0], u'\0');
    EXPECT_EQ(profile->shownEffect, EffectCode::NONE);
    EXPECT_EQ(profile->activeEffect, EffectCode::NONE);
    EXPECT_EQ(profile->systemStatus, (SystemStatusRecord{{1, 1, 0}}));
    EXPECT_EQ(profile->reserved, 0);
    EXPECT_EQ(profile->baseLayer, profile->multiLayer);

    const LayerRecord& layer = profile->baseLayer;
    EXPECT_EQ(layer.effectList[0], EffectCode::OFF);
    EXPECT_EQ(effectCount(layer), 1);
    for (std::uint16_t code : layer.keyEffect) {
        ASSERT_EQ(code, 0);
    }
    EXPECT_EQ(layer.trailer[0], 0);
    EXPECT_EQ(layer.trailer[1], 1);
    EXPECT_EQ(layer.trailer[2], 0);
    EXPECT_EQ(layer.trailer[3], 0);

    // Every block: filled, speed 3, foreground white, background black.
    EXPECT_EQ(layer.staticParams, (StaticParams{1, {}, COLOR_WHITE, {}}));
    EXPECT_EQ(layer.waveParams, (WaveParams{1, 0, 0, 0, COLOR_WHITE, 3, {}}));
    EXPECT_EQ(layer.crossLineParams, (CrossLineParams{1, 1, 0, 3, COLOR_WHITE, COLOR_BLACK}));
    EXPECT_EQ(layer.singleKeyParams, (SingleKeyParams{1, {}, COLOR_WHITE, COLOR_BLACK, 3, 0, {}}));
    EXPECT_EQ(layer.starParams, (StarParams{1, {}, COLOR_WHITE, COLOR_BLACK, 3, {}}));
    EXPECT_EQ(layer.raindropParams, (RaindropParams{1, {}, COLOR_WHITE, COLOR_BLACK, 0, 3, 4, 0}));
    EXPECT_EQ(layer.colorCycleParams, (ColorCycleParams{1, 3, 4, 0}));
    EXPECT_EQ(layer.breathParams, (BreathParams{1, {}, COLOR_WHITE, 3, 0, 0, 0}));
    EXPECT_EQ(layer.rippleParams, (RippleParams{1, {}, COLOR_WHITE, COLOR_BLACK, 3, 1, {}}));
    EXPECT_EQ(layer.auroraParams, (AuroraParams{1, 3, 0, 0, COLOR_WHITE, COLOR_BLACK}));
    EXPECT_EQ(layer.snakeParams, (SnakeParams{1, 3, 0, 0, COLOR_WHITE, COLOR_BLACK}));

    EXPECT_EQ(layer.custom1.filled, 1);
    EXPECT_EQ(layer.custom1.presetKind, PresetKind::WASD);
    EXPECT_EQ(layer.custom2.filled, 1);
    EXPECT_EQ(layer.custom2.presetKind, PresetKind::ARROWS);
    const Color wasd[] = {0x0000FF, 0x00FF00, 0xFFFFFF, 0xFF0000, 0, 0, 0, 0, 0, 0};
    const Color arrows[] = {0, 0, 0, 0, 0x0000FF, 0x00FF00, 0xFFFFFF, 0xFF0000, 0, 0};
    for (int key = 0; key < MAX_KEYS; ++key) {
        SCOPED_TRACE(key);
        ASSERT_EQ(layer.custom1.keyColor[key], key < 10 ? wasd[key] : 0);
        ASSERT_EQ(layer.custom2.keyColor[key], key < 10 ? arrows[key] : 0);
        ASSERT_EQ(layer.custom1.keyLit[key], 1);
        ASSERT_EQ(layer.custom2.keyLit[key], 1);
    }
}

TEST(LayerDefaults, StoreResetWipesOnlyWhenAskedAndKeepsProfileInRange) {
    struct Row {
        std::uint8_t current;
        bool wipe;
        std::uint8_t expectedCurrent;
    };
    const Row rows[] = {{0, true, 0}, {5, false, 5}, {6, false, 0}, {255, true, 0}};
    for (const Row& row : rows) {
        SCOPED_TRACE(::testing::Message() << int(row.current) << " wipe " << row.wipe);
        auto store = std::make_unique<ProfileStore>();
        store->currentProfile = row.current;
        store->profiles[3].name[0] = u'X';
        store->pictureName[3][0] = u'P';
        resetProfileStore(*store, row.wipe, smallKeyMap());
        EXPECT_EQ(store->currentProfile, row.expectedCurrent);
        EXPECT_EQ(store->profiles[3].name[0], row.wipe ? u'\0' : u'X');
        EXPECT_EQ(store->profiles[5].baseLayer.effectList[0],
                  row.wipe ? EffectCode::OFF : EffectCode::NONE);
        EXPECT_EQ(store->pictureName[3][0], u'P');
    }
}

TEST(EffectCount, CountsSlotsThatHoldAnEffect) {
    auto store = std::make_unique<ProfileStore>();
    LayerRecord& layer = store->profiles[2].baseLayer;
    layer.effectList[0] = EffectCode::STATIC;
    layer.effectList[1] = EffectCode::BREATH;
    layer.effectList[2] = static_cast<EffectCode>(255);
    store->profiles[4].baseLayer.effectList[10] = EffectCode::OFF;
    store->currentProfile = 2;

    struct Row {
        int profile;
        int expected;
    };
    const Row rows[] = {{2, 2}, {-1, 2}, {4, 1}, {0, 0}, {6, 0}, {-2, 0}};
    for (const Row& row : rows) {
        SCOPED_TRACE(row.profile);
        EXPECT_EQ(effectCount(*store, row.profile), row.expected);
    }
    store->currentProfile = 9; // out of range: no list rather than a seventh record
    EXPECT_EQ(effectCount(*store), 0);
}

} // namespace
} // namespace lumetta
