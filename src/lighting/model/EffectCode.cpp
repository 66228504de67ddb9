#include "lighting/model/EffectCode.h"

#include <array>

namespace lumetta {
namespace {

struct EffectInfo {
    EffectCode code;
    std::string_view key;
    std::uint8_t deviceNumber;
};

constexpr std::array<EffectInfo, 15> EFFECTS{{
    {EffectCode::STATIC, "STATIC", device_effect::STATIC},
    {EffectCode::COLOR_WAVE, "COLOR_WAVE", device_effect::COLOR_WAVE},
    {EffectCode::CROSS_LINE, "CROSS_LINE", device_effect::CROSS_LINE},
    {EffectCode::SINGLE_KEY, "SINGLE_KEY", device_effect::SINGLE_KEY},
    {EffectCode::CUSTOMIZE, "CUSTOMIZE", device_effect::CUSTOMIZE},
    {EffectCode::STAR_EFFECT, "STAR_EFFECT", device_effect::STAR_EFFECT},
    {EffectCode::RAIN_DROP, "RAIN_DROP", device_effect::RAIN_DROP},
    {EffectCode::COLOR_CYCLE, "COLOR_CYCLE", device_effect::COLOR_CYCLE},
    {EffectCode::BREATH, "BREATH", device_effect::BREATH},
    {EffectCode::RIPPLE, "RIPPLE", device_effect::RIPPLE},
    {EffectCode::MULTILAYER, "MULTILAYER", device_effect::MULTILAYER},
    {EffectCode::GAME_SNAKE, "GAME_SNAKE", device_effect::GAME_SNAKE},
    {EffectCode::SYSTEM_STATUS, "SYSTEM_STATUS", device_effect::SYSTEM_STATUS},
    {EffectCode::AURORA_MODE, "AURORA_MODE", device_effect::AURORA_MODE},
    {EffectCode::OFF, "OFF", device_effect::OFF},
}};

const EffectInfo* findEffect(EffectCode code) {
    for (const EffectInfo& info : EFFECTS) {
        if (info.code == code) {
            return &info;
        }
    }
    return nullptr;
}

} // namespace

bool isKnownEffect(EffectCode code) {
    return findEffect(code) != nullptr;
}

std::uint8_t effectToDeviceNumber(EffectCode code) {
    if (code == EffectCode::NONE) {
        return device_effect::STATIC;
    }
    const EffectInfo* info = findEffect(code);
    return info ? info->deviceNumber : device_effect::OFF;
}

EffectCode deviceNumberToEffect(std::uint8_t number) {
    for (const EffectInfo& info : EFFECTS) {
        if (info.deviceNumber == number) {
            return info.code;
        }
    }
    return EffectCode::OFF;
}

std::string_view effectKey(EffectCode code) {
    const EffectInfo* info = findEffect(code);
    return info ? info->key : std::string_view{};
}

} // namespace lumetta
