#include "lighting/model/EffectBlock.h"

namespace lumetta {

EffectBlock effectBlock(LayerRecord& layer, EffectCode code, CustomMemory memory) {
    switch (code) {
    case EffectCode::STATIC:
        return &layer.staticParams;
    case EffectCode::COLOR_WAVE:
        return &layer.waveParams;
    case EffectCode::CROSS_LINE:
        return &layer.crossLineParams;
    case EffectCode::SINGLE_KEY:
        return &layer.singleKeyParams;
    case EffectCode::CUSTOMIZE:
        return memory == CustomMemory::MEMORY1 ? &layer.custom1 : &layer.custom2;
    case EffectCode::STAR_EFFECT:
        return &layer.starParams;
    case EffectCode::RAIN_DROP:
        return &layer.raindropParams;
    case EffectCode::COLOR_CYCLE:
        return &layer.colorCycleParams;
    case EffectCode::BREATH:
        return &layer.breathParams;
    case EffectCode::RIPPLE:
        return &layer.rippleParams;
    case EffectCode::GAME_SNAKE:
        return &layer.snakeParams;
    case EffectCode::AURORA_MODE:
        return &layer.auroraParams;
    default:
        return std::monostate{};
    }
}

} // namespace lumetta
