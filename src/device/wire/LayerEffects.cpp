#include "device/wire/LayerEffects.h"

#include "device/wire/EffectEntry.h"

#include <algorithm>

namespace lumetta {

LayerEffects distinctKeyEffects(const LayerRecord& layer, const KeyMap& map) {
    LayerEffects effects;
    for (int key = 0; key < map.keyCount && key < MAX_KEYS; ++key) {
        const EffectCode code = keyEffectCode(layer, key);
        const auto used = effects.codes.begin() + effects.count;
        if (code == EffectCode::NONE || std::find(effects.codes.begin(), used, code) != used) {
            continue;
        }
        effects.codes[effects.count++] = code;
    }
    return effects;
}

void storeLayerEffectList(const LayerEffects& effects, LayerRecord& layer) {
    std::fill(std::begin(layer.effectList), std::end(layer.effectList), EffectCode::NONE);
    const int kept = std::min(effects.count, EFFECT_LIST_SLOTS);
    std::copy_n(effects.codes.begin(), kept, layer.effectList);
}

LayerUpload layerUploadOf(EffectCode code) {
    if (code == EffectCode::CUSTOMIZE) {
        return LayerUpload::KEY_COLORS;
    }
    return hasEffectEntry(code) ? LayerUpload::ENTRY : LayerUpload::NOTHING;
}

} // namespace lumetta
