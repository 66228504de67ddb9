#include "lighting/model/LayerDefaults.h"

#include "lighting/model/CustomPreset.h"

namespace lumetta {
namespace {

constexpr std::uint8_t DEFAULT_SPEED = 3;
constexpr std::uint8_t DEFAULT_PERCENT = 4;

void resetCustomMemory(CustomParams& memory, PresetKind kind, const KeyMap& map) {
    memory = CustomParams{};
    memory.filled = 1;
    memory.presetKind = kind;
    fillCustomPreset(memory, map);
}

void resetBlocks(LayerRecord& layer) {
    layer.staticParams.filled = 1;
    layer.staticParams.color = COLOR_WHITE;

    layer.waveParams.filled = 1;
    layer.waveParams.color = COLOR_WHITE;
    layer.waveParams.speed = DEFAULT_SPEED;

    layer.crossLineParams.filled = 1;
    layer.crossLineParams.useFirstColor = 1;
    layer.crossLineParams.speed = DEFAULT_SPEED;
    layer.crossLineParams.color = COLOR_WHITE;

    layer.singleKeyParams.filled = 1;
    layer.singleKeyParams.color = COLOR_WHITE;
    layer.singleKeyParams.speed = DEFAULT_SPEED;

    layer.starParams.filled = 1;
    layer.starParams.color = COLOR_WHITE;
    layer.starParams.speed = DEFAULT_SPEED;

    layer.raindropParams.filled = 1;
    layer.raindropParams.color = COLOR_WHITE;
    layer.raindropParams.speed = DEFAULT_SPEED;
    layer.raindropParams.percent = DEFAULT_PERCENT;

    layer.colorCycleParams.filled = 1;
    layer.colorCycleParams.speed = DEFAULT_SPEED;
    layer.colorCycleParams.percent = DEFAULT_PERCENT;

    layer.breathParams.filled = 1;
    layer.breathParams.color = COLOR_WHITE;
    layer.breathParams.speed = DEFAULT_SPEED;

    layer.rippleParams.filled = 1;
    layer.rippleParams.color = COLOR_WHITE;
    layer.rippleParams.speed = DEFAULT_SPEED;
    layer.rippleParams.randomColor = 1; // the one block that starts with random colours

    layer.auroraParams.filled = 1;
    layer.auroraParams.speed = DEFAULT_SPEED;
    layer.auroraParams.color = COLOR_WHITE;

    layer.snakeParams.filled = 1;
    layer.snakeParams.speed = DEFAULT_SPEED;
    layer.snakeParams.color = COLOR_WHITE;
}

} // namespace

void resetLayer(LayerRecord& layer, const KeyMap& map) {
    layer = LayerRecord{};
    resetBlocks(layer);
    resetCustomMemory(layer.custom1, PresetKind::WASD, map);
    resetCustomMemory(layer.custom2, PresetKind::ARROWS, map);
    layer.trailer[1] = 1;
    layer.effectList[0] = EffectCode::OFF;
}

void resetProfile(ProfileRecord& profile, const KeyMap& map) {
    profile = ProfileRecord{};
    resetLayer(profile.baseLayer, map);
    resetLayer(profile.multiLayer, map);
    profile.systemStatus = SystemStatusRecord{{1, 1, 0}};
}

void resetProfileStore(ProfileStore& store, bool wipe, const KeyMap& map) {
    if (wipe) {
        for (ProfileRecord& profile : store.profiles) {
            resetProfile(profile, map);
        }
    }
    if (store.currentProfile >= PROFILE_COUNT) {
        store.currentProfile = 0;
    }
}

} // namespace lumetta
