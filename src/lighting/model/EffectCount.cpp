#include "lighting/model/EffectCount.h"

namespace lumetta {

int effectCount(const LayerRecord& layer) {
    int count = 0;
    for (EffectCode code : layer.effectList) {
        if (toInt(code) != 0 && toInt(code) != 255) {
            ++count;
        }
    }
    return count;
}

int effectCount(const ProfileStore& store, int profile) {
    if (profile == -1) {
        profile = store.currentProfile;
    }
    if (profile < 0 || profile >= PROFILE_COUNT) {
        return 0;
    }
    return effectCount(store.profiles[profile].baseLayer);
}

} // namespace lumetta
