#pragma once

#include "lighting/model/CustomParams.h"
#include "lighting/model/EffectCode.h"
#include "lighting/model/EffectParams.h"
#include "lighting/model/LayerRecord.h"

#include <variant>

namespace lumetta {

// The parameter block an effect keeps in a layer, or monostate for effects without one
// (MULTILAYER, whose settings are a whole layer; SYSTEM_STATUS; OFF; unknown codes).
using EffectBlock =
    std::variant<std::monostate, StaticParams*, WaveParams*, CrossLineParams*, SingleKeyParams*,
                 CustomParams*, StarParams*, RaindropParams*, ColorCycleParams*, BreathParams*,
                 RippleParams*, SnakeParams*, AuroraParams*>;

// CUSTOMIZE resolves to custom1 or custom2 by the chosen customization memory.
EffectBlock effectBlock(LayerRecord& layer, EffectCode code, CustomMemory memory);

} // namespace lumetta
