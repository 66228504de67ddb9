#include "device/channel/MultiLayerTransfer.h"

#include "device/channel/KeyColors.h"
#include "device/wire/KeyEffectMap.h"
#include "device/wire/LayerEffects.h"

namespace lumetta {

namespace {

constexpr std::uint16_t MULTI_LAYER = 2;

int uploadLayerEffect(CommandCatalogue& channel, const LayerRecord& multiLayer, EffectCode code,
                      const KeyMap& map) {
    switch (layerUploadOf(code)) {
    case LayerUpload::ENTRY:
        return channel.SetEffectEntries(MULTI_LAYER,
                                        singleEntryBlock(buildEffectEntry(multiLayer, code)));
    case LayerUpload::KEY_COLORS:
        return channel.SelectCustomMemory(0) | uploadKeyColors(channel, multiLayer.custom1, map);
    case LayerUpload::NOTHING:
        break;
    }
    return 0;
}

} // namespace

int uploadKeyEffectMap(CommandCatalogue& channel, const LayerRecord& multiLayer,
                       const KeyMap& map) {
    int result = 0;
    for (const KeyEffectChunk& chunk : buildKeyEffectMap(multiLayer, map)) {
        result |= channel.SetKeyEffectChunk(chunk);
    }
    return result | channel.SelectEffect(selectRecordFor(device_effect::MULTILAYER));
}

int downloadKeyEffectMap(CommandCatalogue& channel, LayerRecord& multiLayer, const KeyMap& map) {
    int result = 0;
    for (int c = 0; c < KEY_EFFECT_CHUNKS; ++c) {
        KeyEffectChunk chunk = keyEffectChunkHeader(c);
        const int read = channel.GetKeyEffectChunk(chunk);
        result |= read;
        if (read == 0) {
            storeKeyEffectChunk(c, chunk, multiLayer, map);
        }
    }
    storeLayerEffectList(distinctKeyEffects(multiLayer, map), multiLayer);
    return result;
}

int uploadMultiLayer(CommandCatalogue& channel, const LayerRecord& multiLayer,
                     const std::function<void()>& resetColorCycle, const KeyMap& map) {
    const LayerEffects effects = distinctKeyEffects(multiLayer, map);
    int result = 0;
    for (int i = 0; i < effects.count; ++i) {
        const EffectCode code = effects.codes[i];
        result |= uploadLayerEffect(channel, multiLayer, code, map);
        if (code == EffectCode::COLOR_CYCLE && resetColorCycle) {
            resetColorCycle();
        }
    }
    return result | uploadKeyEffectMap(channel, multiLayer, map);
}

int readMultiLayer(CommandCatalogue& channel, LayerRecord& multiLayer, const KeyMap& map) {
    return downloadKeyEffectMap(channel, multiLayer, map);
}

} // namespace lumetta
