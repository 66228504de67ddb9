#pragma once

#include "lighting/model/CustomParams.h"
#include "lighting/model/KeyMap.h"

namespace lumetta {

// Fills all 112 keyColor slots from presetKind (whatever keyCount is) and lights every key.
void fillCustomPreset(CustomParams& memory, const KeyMap& map = keyMap());

// Sets presetKind to the first preset (WASD, arrows, palette) whose colours the memory's
// colours equal exactly, or to CUSTOM when none does.
void recognisePreset(CustomParams& memory, const KeyMap& map = keyMap());

} // namespace lumetta
