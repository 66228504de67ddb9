#pragma once

#include <cstdint>
#include <vector>

namespace lumetta::kbsim {

// The standard boot keyboard: 8-byte input report (modifiers, reserved, six keys), 1-byte LED
// output report, no report ids.
std::vector<std::uint8_t> bootKeyboardDescriptor();

// The command interface: usage page 0xFF00, usage 0x01, one unnumbered 64-byte input and one
// 64-byte output report.
std::vector<std::uint8_t> commandInterfaceDescriptor();

inline constexpr std::size_t BOOT_KEYBOARD_INPUT_SIZE = 8;

} // namespace lumetta::kbsim
