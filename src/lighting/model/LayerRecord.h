#pragma once

#include "lighting/model/CustomParams.h"
#include "lighting/model/EffectCode.h"
#include "lighting/model/EffectParams.h"
#include "lighting/model/PlainRecord.h"

#include <cstddef>
#include <cstdint>

namespace lumetta {

inline constexpr int EFFECT_LIST_SLOTS = 11;

// A layer's settings: the base layer holds the effects run one at a time, the multi-layer the
// per-key assignment and the settings of the effects it combines. Both share this layout, which
// profile files store byte for byte.
struct LayerRecord {
    // EffectCode per key index, narrowed to 16 bits; 0 = unassigned. Only the multi-layer uses it.
    std::uint16_t keyEffect[MAX_KEYS];
    // Base layer: the profile's LED mode list. Multi-layer: the distinct effects of keyEffect.
    // Packed from slot 0; 0 and 255 mark an empty slot.
    EffectCode effectList[EFFECT_LIST_SLOTS];
    StaticParams staticParams;
    WaveParams waveParams;
    CrossLineParams crossLineParams;
    SingleKeyParams singleKeyParams;
    StarParams starParams;
    RaindropParams raindropParams;
    ColorCycleParams colorCycleParams;
    BreathParams breathParams;
    RippleParams rippleParams;
    AuroraParams auroraParams;
    CustomParams custom1;
    CustomParams custom2;
    SnakeParams snakeParams;
    // Carried through load and save unchanged; byte 1 is 1 in a fresh layer.
    std::uint8_t trailer[4];
    bool operator==(const LayerRecord&) const = default;
};

LUMETTA_PLAIN_BLOCK(LayerRecord, 1548);
static_assert(offsetof(LayerRecord, keyEffect) == 0);
static_assert(offsetof(LayerRecord, effectList) == 224);
static_assert(offsetof(LayerRecord, staticParams) == 268);
static_assert(offsetof(LayerRecord, waveParams) == 280);
static_assert(offsetof(LayerRecord, crossLineParams) == 292);
static_assert(offsetof(LayerRecord, singleKeyParams) == 304);
static_assert(offsetof(LayerRecord, starParams) == 320);
static_assert(offsetof(LayerRecord, raindropParams) == 336);
static_assert(offsetof(LayerRecord, colorCycleParams) == 352);
static_assert(offsetof(LayerRecord, breathParams) == 356);
static_assert(offsetof(LayerRecord, rippleParams) == 368);
static_assert(offsetof(LayerRecord, auroraParams) == 384);
static_assert(offsetof(LayerRecord, custom1) == 396);
static_assert(offsetof(LayerRecord, custom2) == 964);
static_assert(offsetof(LayerRecord, snakeParams) == 1532);
static_assert(offsetof(LayerRecord, trailer) == 1544);

inline EffectCode keyEffectCode(const LayerRecord& layer, int keyIndex) {
    return static_cast<EffectCode>(layer.keyEffect[keyIndex]);
}

inline void setKeyEffectCode(LayerRecord& layer, int keyIndex, EffectCode code) {
    layer.keyEffect[keyIndex] = static_cast<std::uint16_t>(toInt(code));
}

} // namespace lumetta
