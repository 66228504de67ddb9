#pragma once

#include "lighting/model/LayerRecord.h"
#include "lighting/model/ProfileStore.h"

namespace lumetta {

// Number of effectList slots holding neither 0 nor 255.
int effectCount(const LayerRecord& layer);

// effectCount of a profile's base layer; profile -1 means the current profile. An index outside
// the store counts as an empty list.
int effectCount(const ProfileStore& store, int profile = -1);

} // namespace lumetta
