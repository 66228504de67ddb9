#pragma once

#include "lighting/model/EffectCode.h"
#include "lighting/model/ProfileRecord.h"

namespace lumetta {

// The user chose an effect on the LED page: it is shown, and it also becomes the effect the
// keyboard runs unless it is CUSTOMIZE, which only opens the key painting and leaves the running
// effect as it was.
inline void chooseEffect(ProfileRecord& profile, EffectCode code) {
    profile.shownEffect = code;
    if (code != EffectCode::CUSTOMIZE) {
        profile.activeEffect = code;
    }
}

// A profile that came from a file or from the keyboard shows what it runs.
inline void setLoadedEffect(ProfileRecord& profile, EffectCode code) {
    profile.shownEffect = code;
    profile.activeEffect = code;
}

} // namespace lumetta
