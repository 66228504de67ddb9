#pragma once

#include <cstdint>

namespace lumetta {

// The keyboard's layout type from the version value the HID layer reports: a value below
// 0x1000 carries it in bits 8 to 11, any other value in bits 12 to 15.
constexpr int layoutTypeOf(std::uint16_t version) {
    return version < 0x1000 ? (version >> 8) & 0xF : (version >> 12) & 0xF;
}

} // namespace lumetta
