#pragma once

#include "kbsim/KeyboardDevice.h"

#include <string>
#include <string_view>
#include <vector>

namespace lumetta::kbsim {

// The reply to one control line: data lines, then "ok" or "error: <text>".
struct ControlReply {
    std::vector<std::string> lines;
    std::string error;

    bool ok() const { return error.empty(); }
    // The reply as sent on the socket, every line ended by '\n'.
    std::string text() const;
};

// Carries out one control command ("press-profile-key", "unplug", "drop-answers 3", ...) on the
// device. Words are separated by blanks; numbers are decimal or 0x-hex.
ControlReply executeControl(KeyboardDevice& device, std::string_view line,
                            KeyboardDevice::TimePoint now);

// The lines `state` answers: one "key=value" per line.
std::vector<std::string> describeDevice(const KeyboardDevice& device);

} // namespace lumetta::kbsim
