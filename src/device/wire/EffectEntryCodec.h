#pragma once

#include "device/wire/EffectEntry.h"

namespace lumetta {

// Turns levels into the keyboard's device values, in place, just before sending.
void encodeEffectEntries(EffectEntryBlock& entries);

// Turns the device values of a successful read back into levels, in place.
void decodeEffectEntries(EffectEntryBlock& entries);

} // namespace lumetta
