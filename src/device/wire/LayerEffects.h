#pragma once

#include "lighting/model/EffectCode.h"
#include "lighting/model/KeyMap.h"
#include "lighting/model/LayerRecord.h"

#include <array>

namespace lumetta {

// The distinct effects assigned to a multi-layer's keys, in the order of the first key (by key
// index) that uses each. Room for every value the keys can hold, so no walk ever drops one.
struct LayerEffects {
    std::array<EffectCode, MAX_KEYS> codes{};
    int count = 0;
};

LayerEffects distinctKeyEffects(const LayerRecord& layer, const KeyMap& map = keyMap());

// Replaces the layer's effectList with the first EFFECT_LIST_SLOTS distinct effects; a map read
// from the keyboard can hold more than the list has slots, and the rest are left out.
void storeLayerEffectList(const LayerEffects& effects, LayerRecord& layer);

// What uploading one layer effect of a multi-layer sends.
enum class LayerUpload {
    NOTHING,    // OFF and codes without settings
    ENTRY,      // its entry on layer 2
    KEY_COLORS, // customization memory 1 of the multi-layer as key colours
};

LayerUpload layerUploadOf(EffectCode code);

} // namespace lumetta
