#pragma once

#include "lighting/model/PlainRecord.h"

#include <cstdint>

namespace lumetta {

// Three status bytes kept with each profile. Nothing reads or changes them; they are created
// with the profile (1, 1, 0) and carried through the profile file unchanged.
struct SystemStatusRecord {
    std::uint8_t bytes[3];
    bool operator==(const SystemStatusRecord&) const = default;
};

LUMETTA_PLAIN_BLOCK(SystemStatusRecord, 3);

} // namespace lumetta
