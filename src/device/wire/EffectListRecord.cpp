#include "device/wire/EffectListRecord.h"

#include "device/wire/EffectEntry.h"
#include "lighting/model/EffectCount.h"

#include <algorithm>

namespace lumetta {
namespace {

// Effects the keyboard keeps in its list: those with an entry, the multi-layer and OFF.
bool isListed(EffectCode code) {
    return hasEffectEntry(code) || code == EffectCode::MULTILAYER || code == EffectCode::OFF;
}

} // namespace

EffectListRecord packEffectList(const LayerRecord& layer) {
    EffectListRecord record;
    std::fill(std::begin(record.numbers), std::end(record.numbers), device_effect::UNUSED);
    const int count = effectCount(layer);
    int next = 0;
    for (int slot = 0; slot < count; ++slot) {
        const EffectCode code = layer.effectList[slot];
        if (isListed(code)) {
            record.numbers[next++] = effectToDeviceNumber(code);
        }
    }
    return record;
}

void unpackEffectList(const EffectListRecord& record, LayerRecord& layer) {
    std::fill(std::begin(layer.effectList), std::end(layer.effectList), EffectCode::NONE);
    int next = 0;
    for (int i = 0; i < EFFECT_LIST_SLOTS; ++i) {
        const std::uint8_t number = record.numbers[i];
        if (number == device_effect::UNUSED) {
            continue;
        }
        layer.effectList[next++] = deviceNumberToEffect(number);
    }
}

} // namespace lumetta
