#pragma once

#include <chrono>
#include <cstdint>
#include <optional>

namespace lumetta::kbsim {

// Faults injected through the control socket; each one models something a real keyboard or
// its cable does now and then.
struct Faults {
    // The next N answers are lost (the commands still take effect).
    std::uint32_t dropAnswers = 0;
    // Every answer comes this much later than it would.
    std::chrono::milliseconds answerDelay{0};
    // The keyboard answers N more requests and then disappears until it is plugged in again.
    std::optional<std::uint32_t> unplugAfter;
    // The next block write moves the write pointer one piece too far.
    bool wrongPointerOnce = false;
    // The next flash checksum answer is wrong.
    bool badChecksumOnce = false;
    // The firmware ignores EnterBootloader for as long as this is set.
    bool refuseBootloader = false;
};

} // namespace lumetta::kbsim
