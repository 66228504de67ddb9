#pragma once

#include "kbsim/KeyboardState.h"
#include "kbsim/Report.h"

#include <optional>

namespace lumetta::kbsim {

inline constexpr std::uint8_t CMD_FIRMWARE_INFO = 0x12;

// Answers the 0x12 commands, which the running firmware and the bootloader share: the
// firmware information, the version index and the records of the version area. nullopt for a
// sub-command the keyboard does not know.
std::optional<Report> answerFirmwareInformation(const KeyboardState& state, const Report& request);

} // namespace lumetta::kbsim
