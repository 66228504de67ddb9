#pragma once

#include "lighting/model/EffectCode.h"
#include "lighting/model/KeyMap.h"
#include "lighting/model/LayerRecord.h"
#include "lighting/model/PlainRecord.h"

#include <array>
#include <cstdint>

namespace lumetta {

// Part of the multi-layer's per-LED effect map: a header naming groups of 8 LEDs, then one device
// effect number per LED.
struct KeyEffectChunk {
    std::uint8_t firstGroup;
    std::uint8_t groupCount;
    std::uint8_t reserved[2];
    std::uint8_t effect[56];
    bool operator==(const KeyEffectChunk&) const = default;
};

LUMETTA_PLAIN_BLOCK(KeyEffectChunk, 60);

// The map travels as three chunks whose headers announce groups 0..6, 7..13 and 14, LEDs 0..119.
// LED L always sits in chunk L / 56 at L mod 56, so LEDs 120..127 ride in the last chunk beyond
// its announced group.
inline constexpr int KEY_EFFECT_CHUNKS = 3;
using KeyEffectMap = std::array<KeyEffectChunk, KEY_EFFECT_CHUNKS>;

// An empty chunk c with its header; also the request that reads chunk c.
KeyEffectChunk keyEffectChunkHeader(int chunk);

// The number a key's effect has in the map: CUSTOMIZE 177, an unassigned key or a code without
// a device number 254 (OFF), every other code its device number.
std::uint8_t keyEffectToMapNumber(EffectCode code);

// The effect a map number stands for: 176 and 177 CUSTOMIZE, the numbers of the eleven effects
// with an entry those effects, anything else OFF.
EffectCode mapNumberToKeyEffect(std::uint8_t number);

// The map of a multi-layer. LEDs without a key stay 0.
KeyEffectMap buildKeyEffectMap(const LayerRecord& layer, const KeyMap& map = keyMap());

// Sets keyEffect of every key whose LED lies in read chunk c.
void storeKeyEffectChunk(int chunk, const KeyEffectChunk& bytes, LayerRecord& layer,
                         const KeyMap& map = keyMap());

} // namespace lumetta
