#pragma once

#include "device/wire/LayerEffects.h"
#include "lighting/model/LayerDefaults.h"
#include "lighting/model/ProfileEffect.h"
#include "lighting/model/ProfileStore.h"

#include <cstring>
#include <string>

namespace lumetta::testing {

inline void setName(ProfileRecord& record, const std::u16string& name) {
    std::memset(record.name, 0, sizeof record.name);
    std::memcpy(record.name, name.data(), name.size() * sizeof(char16_t));
}

inline void setList(LayerRecord& layer, std::initializer_list<EffectCode> codes) {
    std::fill(std::begin(layer.effectList), std::end(layer.effectList), EffectCode::NONE);
    int slot = 0;
    for (EffectCode code : codes) {
        layer.effectList[slot++] = code;
    }
}

// Six profiles that differ from the defaults in everything the keyboard keeps, with values the
// keyboard can hold (levels in range, names of at most 15 units, every key assigned in the
// multi-layer, no snake direction, which is never read back). Written to a keyboard and read
// back into a defaulted store they come back byte for byte.
inline ProfileStore distinctStore(const KeyMap& map) {
    ProfileStore store{};
    resetProfileStore(store, true, map);
    const EffectCode active[] = {EffectCode::BREATH,    EffectCode::CUSTOMIZE,
                                 EffectCode::RAIN_DROP, EffectCode::MULTILAYER,
                                 EffectCode::OFF,       EffectCode::STATIC};
    for (int p = 0; p < PROFILE_COUNT; ++p) {
        ProfileRecord& r = store.profiles[p];
        setName(r, u"Profile \u00e9" + std::u16string(1, char16_t(u'A' + p)));
        setLoadedEffect(r, active[p]);
    }

    LayerRecord& b0 = store.profiles[0].baseLayer;
    setList(b0, {EffectCode::STATIC, EffectCode::BREATH, EffectCode::COLOR_WAVE, EffectCode::OFF});
    b0.staticParams.color = 0x00123456;
    b0.breathParams = {1, {}, 0x000000FF, 5, 0, 1, 0};
    b0.waveParams = {1, 2, 1, 0, 0x00ABCDEF, 0, {}};

    LayerRecord& b1 = store.profiles[1].baseLayer;
    setList(b1, {EffectCode::SINGLE_KEY, EffectCode::RIPPLE, EffectCode::AURORA_MODE});
    b1.singleKeyParams = {1, {}, 0x00010203, 0x00040506, 6, 1, {}};
    b1.rippleParams = {1, {}, 0x00111111, 0x00222222, 0, 0, {}};
    b1.auroraParams = {1, 1, 1, 0, 0x00333333, 0x00444444};
    for (int key = 0; key < MAX_KEYS; ++key) {
        b1.custom1.keyColor[key] = static_cast<Color>(0x00010000 * key + 0x0100 + key);
    }
    b1.custom1.presetKind = PresetKind::CUSTOM;

    LayerRecord& b2 = store.profiles[2].baseLayer;
    setList(b2, {EffectCode::RAIN_DROP, EffectCode::COLOR_CYCLE, EffectCode::GAME_SNAKE,
                 EffectCode::STAR_EFFECT});
    b2.raindropParams = {1, {}, 0x00FF00FF, 0x0000FF00, 1, 2, 1, 0};
    b2.colorCycleParams = {1, 4, 0, 0};
    b2.snakeParams = {1, 6, 0, 1, 0x00FEDCBA, 0x00010101};
    b2.starParams = {1, {}, 0x00777777, 0x00888888, 2, {}};

    ProfileRecord& p3 = store.profiles[3];
    setList(p3.baseLayer, {EffectCode::MULTILAYER, EffectCode::CROSS_LINE});
    const EffectCode keys[] = {EffectCode::RIPPLE,      EffectCode::CUSTOMIZE, EffectCode::STATIC,
                               EffectCode::COLOR_CYCLE, EffectCode::OFF,       EffectCode::BREATH};
    for (int key = 0; key < MAX_KEYS; ++key) {
        setKeyEffectCode(p3.multiLayer, key, keys[key % 6]);
    }
    storeLayerEffectList(distinctKeyEffects(p3.multiLayer, map), p3.multiLayer);
    p3.multiLayer.rippleParams = {1, {}, 0x00ABABAB, 0x00CDCDCD, 4, 0, {}};
    p3.multiLayer.staticParams.color = 0x00EE0000;
    p3.multiLayer.colorCycleParams = {1, 0, 2, 0};
    p3.multiLayer.breathParams = {1, {}, 0x0000EE00, 1, 0, 0, 0};

    setList(store.profiles[4].baseLayer, {});
    setList(store.profiles[5].baseLayer, {EffectCode::STATIC});
    store.profiles[5].baseLayer.staticParams.color = 0x00FFFFFF;
    store.currentProfile = 2;
    return store;
}

} // namespace lumetta::testing
