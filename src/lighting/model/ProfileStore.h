#pragma once

#include "lighting/model/PlainRecord.h"
#include "lighting/model/ProfileRecord.h"

#include <cstddef>
#include <cstdint>

namespace lumetta {

inline constexpr int PROFILE_COUNT = 6;

// The six profiles and the index of the one being edited, in one block that the main window
// copies and compares as a whole.
struct ProfileStore {
    std::uint8_t currentProfile; // 0..5
    std::uint8_t reserved[3];    // explicit, so the block has no hidden padding
    ProfileRecord profiles[PROFILE_COUNT];
    // Picture name per profile, carried unchanged from loading to saving.
    char16_t pictureName[PROFILE_COUNT][PROFILE_NAME_UNITS];
    bool operator==(const ProfileStore&) const = default;
};

LUMETTA_PLAIN_BLOCK(ProfileStore, 4 + 6 * 3628 + 6 * 520);
static_assert(offsetof(ProfileStore, profiles) == 4);
static_assert(offsetof(ProfileStore, pictureName) == 4 + 6 * 3628);

} // namespace lumetta
