#pragma once

#include "lighting/model/KeyMap.h"
#include "lighting/model/LayerRecord.h"
#include "lighting/model/ProfileRecord.h"
#include "lighting/model/ProfileStore.h"

namespace lumetta {

// Writes the defaults of a fresh layer. The customization presets are coloured through the key
// map, so a layer reset before the key map is loaded has no WASD or arrow colours yet.
void resetLayer(LayerRecord& layer, const KeyMap& map = keyMap());

// Zeroes the record, resets both layers and sets the status block to 1, 1, 0.
void resetProfile(ProfileRecord& profile, const KeyMap& map = keyMap());

// With wipe, resets all six profiles; always brings currentProfile back into 0..5.
void resetProfileStore(ProfileStore& store, bool wipe, const KeyMap& map = keyMap());

} // namespace lumetta
