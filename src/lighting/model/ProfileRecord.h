#pragma once

#include "lighting/model/EffectCode.h"
#include "lighting/model/LayerRecord.h"
#include "lighting/model/PlainRecord.h"
#include "lighting/model/SystemStatusRecord.h"

#include <cstddef>
#include <cstdint>

namespace lumetta {

inline constexpr int PROFILE_NAME_UNITS = 260;

// One lighting profile as the pages edit it.
struct ProfileRecord {
    char16_t name[PROFILE_NAME_UNITS]; // zero-terminated, zero-filled after the terminator
    EffectCode shownEffect;            // the effect whose page the LED page shows
    EffectCode activeEffect;           // the effect the keyboard runs ("SELECT_EFFECT")
    LayerRecord baseLayer;             // "BASE_LAYER"
    LayerRecord multiLayer;            // "MULTILAYER"
    SystemStatusRecord systemStatus;   // "SYSTEM_STATUS"
    // Spelled out so that the whole store has no hidden padding and can be compared as bytes.
    std::uint8_t reserved;
    bool operator==(const ProfileRecord&) const = default;
};

LUMETTA_PLAIN_BLOCK(ProfileRecord, 3628);
static_assert(offsetof(ProfileRecord, shownEffect) == 520);
static_assert(offsetof(ProfileRecord, activeEffect) == 524);
static_assert(offsetof(ProfileRecord, baseLayer) == 528);
static_assert(offsetof(ProfileRecord, multiLayer) == 2076);
static_assert(offsetof(ProfileRecord, systemStatus) == 3624);

} // namespace lumetta
