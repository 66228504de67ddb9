#pragma once

#include "lighting/model/LayerRecord.h"
#include "lighting/model/PlainRecord.h"

#include <cstdint>

namespace lumetta {

// A profile's LED mode list as device effect numbers, in list order; 0xFF after the last.
struct EffectListRecord {
    std::uint8_t numbers[18];
    bool operator==(const EffectListRecord&) const = default;
};

LUMETTA_PLAIN_BLOCK(EffectListRecord, 18);

// The device form of the layer's list. CUSTOMIZE and SYSTEM_STATUS are not listed: customization
// travels as key colours and the status effect is never chosen from the list.
EffectListRecord packEffectList(const LayerRecord& layer);

// Replaces the layer's effectList with the effects of a read record.
void unpackEffectList(const EffectListRecord& record, LayerRecord& layer);

} // namespace lumetta
