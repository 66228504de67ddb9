#include "device/wire/EffectEntry.h"

namespace lumetta {
namespace {

constexpr std::uint8_t RANDOM_COLOR = 0x80;

std::uint8_t randomFlag(std::uint8_t randomColor) {
    return randomColor ? RANDOM_COLOR : 0;
}

// The wave page's four direction buttons and the snake page's two, as the keyboard numbers them.
std::uint8_t waveDirectionCode(std::uint8_t direction) {
    constexpr std::uint8_t CODES[] = {0, 4, 6, 2};
    return direction < 4 ? CODES[direction] : 0;
}

std::uint8_t snakeDirectionCode(std::uint8_t direction) {
    return direction == 1 ? 2 : 0;
}

std::uint8_t waveDirectionOf(std::uint8_t code) {
    switch (code) {
    case 4:
        return 1;
    case 6:
        return 2;
    case 2:
        return 3;
    default:
        return 0;
    }
}

void putColor(std::uint8_t (&bytes)[3], Color color) {
    bytes[0] = colorRed(color);
    bytes[1] = colorGreen(color);
    bytes[2] = colorBlue(color);
}

Color takeColor(const std::uint8_t (&bytes)[3]) {
    return makeColor(bytes[0], bytes[1], bytes[2]);
}

// Fields shared by the effects that carry speed, random flag and two colours.
template <class Params> void putCommon(EffectEntry& entry, const Params& params) {
    entry.speed = params.speed;
    entry.flags = randomFlag(params.randomColor);
    putColor(entry.color, params.color);
    putColor(entry.background, params.backColor);
}

template <class Params> void takeCommon(const EffectEntry& entry, Params& params) {
    params.filled = 1;
    params.speed = entry.speed;
    params.randomColor = entry.flags & RANDOM_COLOR ? 1 : 0;
    params.color = takeColor(entry.color);
    params.backColor = takeColor(entry.background);
}

void fillEntry(EffectEntry& entry, const LayerRecord& layer, EffectCode code) {
    switch (code) {
    case EffectCode::STATIC:
        putColor(entry.color, layer.staticParams.color);
        break;
    case EffectCode::COLOR_CYCLE:
        entry.speed = layer.colorCycleParams.speed;
        entry.level = layer.colorCycleParams.percent;
        break;
    case EffectCode::BREATH:
        entry.speed = layer.breathParams.speed;
        entry.flags = randomFlag(layer.breathParams.randomColor);
        putColor(entry.color, layer.breathParams.color);
        break;
    case EffectCode::SINGLE_KEY:
        putCommon(entry, layer.singleKeyParams);
        break;
    case EffectCode::COLOR_WAVE:
        entry.speed = layer.waveParams.speed;
        entry.flags = waveDirectionCode(layer.waveParams.direction) |
                      randomFlag(layer.waveParams.randomColor);
        putColor(entry.color, layer.waveParams.color);
        break;
    case EffectCode::AURORA_MODE:
        putCommon(entry, layer.auroraParams);
        break;
    case EffectCode::RIPPLE:
        putCommon(entry, layer.rippleParams);
        break;
    case EffectCode::RAIN_DROP:
        putCommon(entry, layer.raindropParams);
        entry.parameter = layer.raindropParams.percent;
        break;
    case EffectCode::GAME_SNAKE:
        putCommon(entry, layer.snakeParams);
        entry.flags |= snakeDirectionCode(layer.snakeParams.direction);
        break;
    case EffectCode::CROSS_LINE:
        entry.speed = layer.crossLineParams.speed;
        putColor(entry.color, layer.crossLineParams.color);
        putColor(entry.background, layer.crossLineParams.backColor);
        break;
    case EffectCode::STAR_EFFECT:
        entry.speed = layer.starParams.speed;
        putColor(entry.color, layer.starParams.color);
        putColor(entry.background, layer.starParams.backColor);
        break;
    default:
        break;
    }
}

} // namespace

bool hasEffectEntry(EffectCode code) {
    switch (code) {
    case EffectCode::STATIC:
    case EffectCode::COLOR_CYCLE:
    case EffectCode::BREATH:
    case EffectCode::SINGLE_KEY:
    case EffectCode::COLOR_WAVE:
    case EffectCode::AURORA_MODE:
    case EffectCode::RIPPLE:
    case EffectCode::RAIN_DROP:
    case EffectCode::GAME_SNAKE:
    case EffectCode::CROSS_LINE:
    case EffectCode::STAR_EFFECT:
        return true;
    default:
        return false;
    }
}

EffectEntry buildEffectEntry(const LayerRecord& layer, EffectCode code) {
    EffectEntry entry{};
    entry.effect = effectToDeviceNumber(code);
    entry.parameter = 0xFF;
    entry.reserved = 0xFF;
    entry.level = 0xFF;
    fillEntry(entry, layer, code);
    return entry;
}

void storeEffectEntry(const EffectEntry& entry, LayerRecord& layer) {
    switch (entry.effect) {
    case device_effect::STATIC:
        layer.staticParams.color = takeColor(entry.color);
        break;
    case device_effect::COLOR_CYCLE:
        layer.colorCycleParams.filled = 1;
        layer.colorCycleParams.speed = entry.speed;
        layer.colorCycleParams.percent = entry.level;
        break;
    case device_effect::BREATH:
        layer.breathParams.filled = 1;
        layer.breathParams.color = takeColor(entry.color);
        layer.breathParams.speed = entry.speed;
        layer.breathParams.randomColor = entry.flags & RANDOM_COLOR ? 1 : 0;
        break;
    case device_effect::SINGLE_KEY:
        takeCommon(entry, layer.singleKeyParams);
        break;
    case device_effect::COLOR_WAVE:
        layer.waveParams.filled = 1;
        layer.waveParams.color = takeColor(entry.color);
        layer.waveParams.speed = entry.speed;
        layer.waveParams.randomColor = entry.flags & RANDOM_COLOR ? 1 : 0;
        layer.waveParams.direction = waveDirectionOf(entry.flags & 0x1F);
        break;
    case device_effect::AURORA_MODE:
        takeCommon(entry, layer.auroraParams);
        break;
    case device_effect::RIPPLE:
        takeCommon(entry, layer.rippleParams);
        break;
    case device_effect::RAIN_DROP:
        takeCommon(entry, layer.raindropParams);
        layer.raindropParams.percent = entry.parameter;
        break;
    case device_effect::GAME_SNAKE:
        // The keyboard does not report the snake's direction back.
        takeCommon(entry, layer.snakeParams);
        break;
    case device_effect::CROSS_LINE:
        layer.crossLineParams.filled = 1;
        break;
    case device_effect::STAR_EFFECT:
        layer.starParams.filled = 1;
        layer.starParams.color = takeColor(entry.color);
        layer.starParams.backColor = takeColor(entry.background);
        layer.starParams.speed = entry.speed;
        break;
    default:
        break;
    }
}

EffectEntryBlock singleEntryBlock(const EffectEntry& entry) {
    EffectEntryBlock block;
    block.fill(UNUSED_EFFECT_ENTRY);
    block[0] = entry;
    return block;
}

EffectEntryBlock effectEntryRequest(std::uint8_t deviceNumber) {
    EffectEntry first = UNUSED_EFFECT_ENTRY;
    first.effect = deviceNumber;
    return singleEntryBlock(first);
}

} // namespace lumetta
