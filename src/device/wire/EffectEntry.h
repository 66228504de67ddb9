#pragma once

#include "lighting/model/EffectCode.h"
#include "lighting/model/LayerRecord.h"
#include "lighting/model/PlainRecord.h"

#include <array>
#include <cstdint>

namespace lumetta {

// One effect's settings in the keyboard's form. Five of them fill the data of an effect-entries
// report; an entry whose effect byte is 0xFF is unused.
struct EffectEntry {
    std::uint8_t effect;    // device effect number
    std::uint8_t speed;     // a level in the record's terms until encoded
    std::uint8_t flags;     // 0x80 random colour, 0x20 breathing, low five bits a direction code
    std::uint8_t parameter; // effect-specific; a drop amount level for RAIN_DROP until encoded
    std::uint8_t reserved;  // always 0xFF
    std::uint8_t level;     // COLOR_CYCLE brightness; a percent level until encoded
    std::uint8_t color[3];  // red, green, blue
    std::uint8_t background[3];
    bool operator==(const EffectEntry&) const = default;
};

inline constexpr int ENTRIES_PER_REPORT = 5;
using EffectEntryBlock = std::array<EffectEntry, ENTRIES_PER_REPORT>;

LUMETTA_PLAIN_BLOCK(EffectEntry, 12);
static_assert(sizeof(EffectEntryBlock) == 60);

inline constexpr EffectEntry UNUSED_EFFECT_ENTRY{
    0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, {0xFF, 0xFF, 0xFF}, {0xFF, 0xFF, 0xFF}};

// True for the eleven effects whose settings travel as an entry.
bool hasEffectEntry(EffectCode code);

// The entry of an effect from its parameter block in the layer, in record terms (levels), ready
// for encodeEffectEntries. Effects without an entry give only the effect byte and the defaults.
EffectEntry buildEffectEntry(const LayerRecord& layer, EffectCode code);

// Writes a read (decoded) entry back into the parameter block its effect byte names.
void storeEffectEntry(const EffectEntry& entry, LayerRecord& layer);

// A block that carries one entry: the given one first, the other four unused.
EffectEntryBlock singleEntryBlock(const EffectEntry& entry);

// The request that asks the keyboard for one effect's entry.
EffectEntryBlock effectEntryRequest(std::uint8_t deviceNumber);

} // namespace lumetta
