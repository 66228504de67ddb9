#pragma once

#include "lighting/model/Color.h"
#include "lighting/model/PlainRecord.h"

#include <cstddef>
#include <cstdint>

namespace lumetta {

inline constexpr int MAX_KEYS = 112;

// What a customization memory's colours came from.
enum class PresetKind : std::uint32_t {
    CUSTOM = 0, // painted by the user
    WASD = 1,
    ARROWS = 2,
    PALETTE = 3,
};

// Which of a layer's two customization memories CUSTOMIZE means.
enum class CustomMemory : std::uint8_t {
    MEMORY1 = 0, // custom1
    MEMORY2 = 1, // custom2
};

// One customization memory: a colour per key index and whether the key shows it.
struct CustomParams {
    std::uint8_t filled;
    std::uint8_t reserved1[3];
    PresetKind presetKind;
    Color keyColor[MAX_KEYS];
    std::uint8_t keyLit[MAX_KEYS];
    bool operator==(const CustomParams&) const = default;
};

LUMETTA_PLAIN_BLOCK(CustomParams, 568);
static_assert(offsetof(CustomParams, presetKind) == 4);
static_assert(offsetof(CustomParams, keyColor) == 8);
static_assert(offsetof(CustomParams, keyLit) == 456);

} // namespace lumetta
