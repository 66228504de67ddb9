#pragma once

#include "device/channel/CommandCatalogue.h"
#include "lighting/model/KeyMap.h"
#include "lighting/model/LayerRecord.h"

#include <functional>

namespace lumetta {

// The multi-layer on the keyboard: a per-LED effect map plus the settings of the effects it
// combines. Every command is sent even after one failed; results are ORed.

// Sends the three chunks of the layer's per-LED map and selects the multi-layer effect (225).
int uploadKeyEffectMap(CommandCatalogue& channel, const LayerRecord& multiLayer,
                       const KeyMap& map = keyMap());

// Reads the three chunks into keyEffect of every key with an LED (a chunk that could not be read
// leaves its keys as they were), then makes the distinct assigned effects, in key order, the
// layer's effectList (the first EFFECT_LIST_SLOTS of them).
int downloadKeyEffectMap(CommandCatalogue& channel, LayerRecord& multiLayer,
                         const KeyMap& map = keyMap());

// The whole multi-layer: each distinct effect of the keys once, in the order of the first key
// that uses it (its entry on layer 2, or customization memory 1 as key colours for CUSTOMIZE),
// then the map. A COLOR_CYCLE layer calls resetColorCycle (when given), keyboard or not, so the
// preview's colour generator starts over with the keyboard.
int uploadMultiLayer(CommandCatalogue& channel, const LayerRecord& multiLayer,
                     const std::function<void()>& resetColorCycle = {},
                     const KeyMap& map = keyMap());

// Reads the multi-layer's map and effect list from the keyboard (downloadKeyEffectMap).
int readMultiLayer(CommandCatalogue& channel, LayerRecord& multiLayer,
                   const KeyMap& map = keyMap());

} // namespace lumetta
