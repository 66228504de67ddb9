#include "device/wire/KeyEffectMap.h"

namespace lumetta {
namespace {

constexpr int LEDS_PER_GROUP = 8;
constexpr int GROUPS_PER_CHUNK = 7;
constexpr int ANNOUNCED_GROUPS = 15;
constexpr int LEDS_PER_CHUNK = LEDS_PER_GROUP * GROUPS_PER_CHUNK;

static_assert(KEY_EFFECT_CHUNKS * LEDS_PER_CHUNK >= LED_COUNT, "every LED has a byte in the map");

bool validChunk(int chunk) {
    return chunk >= 0 && chunk < KEY_EFFECT_CHUNKS;
}

} // namespace

KeyEffectChunk keyEffectChunkHeader(int chunk) {
    KeyEffectChunk bytes{};
    if (!validChunk(chunk)) {
        return bytes;
    }
    const int first = GROUPS_PER_CHUNK * chunk;
    const int count =
        first + GROUPS_PER_CHUNK > ANNOUNCED_GROUPS ? ANNOUNCED_GROUPS - first : GROUPS_PER_CHUNK;
    bytes.firstGroup = static_cast<std::uint8_t>(first);
    bytes.groupCount = static_cast<std::uint8_t>(count);
    return bytes;
}

std::uint8_t keyEffectToMapNumber(EffectCode code) {
    if (code == EffectCode::CUSTOMIZE) {
        return device_effect::CUSTOMIZE_IN_KEY_MAP;
    }
    if (code == EffectCode::NONE || !isKnownEffect(code)) {
        return device_effect::OFF;
    }
    return effectToDeviceNumber(code);
}

EffectCode mapNumberToKeyEffect(std::uint8_t number) {
    switch (number) {
    case device_effect::CUSTOMIZE:
    case device_effect::CUSTOMIZE_IN_KEY_MAP:
        return EffectCode::CUSTOMIZE;
    case device_effect::STATIC:
    case device_effect::COLOR_CYCLE:
    case device_effect::BREATH:
    case device_effect::SINGLE_KEY:
    case device_effect::COLOR_WAVE:
    case device_effect::AURORA_MODE:
    case device_effect::RIPPLE:
    case device_effect::RAIN_DROP:
    case device_effect::GAME_SNAKE:
    case device_effect::CROSS_LINE:
    case device_effect::STAR_EFFECT:
        return deviceNumberToEffect(number);
    default:
        return EffectCode::OFF;
    }
}

KeyEffectMap buildKeyEffectMap(const LayerRecord& layer, const KeyMap& map) {
    KeyEffectMap chunks;
    for (int c = 0; c < KEY_EFFECT_CHUNKS; ++c) {
        chunks[c] = keyEffectChunkHeader(c);
    }
    for (int key = 0; key < map.keyCount && key < MAX_KEYS; ++key) {
        const int led = keyLedNumber(map, key);
        if (led < 0) {
            continue;
        }
        chunks[led / LEDS_PER_CHUNK].effect[led % LEDS_PER_CHUNK] =
            keyEffectToMapNumber(keyEffectCode(layer, key));
    }
    return chunks;
}

void storeKeyEffectChunk(int chunk, const KeyEffectChunk& bytes, LayerRecord& layer,
                         const KeyMap& map) {
    if (!validChunk(chunk)) {
        return;
    }
    for (int key = 0; key < map.keyCount && key < MAX_KEYS; ++key) {
        const int led = keyLedNumber(map, key);
        if (led < 0 || led / LEDS_PER_CHUNK != chunk) {
            continue;
        }
        setKeyEffectCode(layer, key, mapNumberToKeyEffect(bytes.effect[led % LEDS_PER_CHUNK]));
    }
}

} // namespace lumetta
