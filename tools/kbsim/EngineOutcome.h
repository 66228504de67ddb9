#pragma once

#include "kbsim/Report.h"

#include <chrono>
#include <optional>

namespace lumetta::kbsim {

// What handling one request leads to.
struct EngineOutcome {
    enum class Departure {
        NONE,
        // The keyboard restarts into its bootloader.
        ENTER_BOOTLOADER,
        // The keyboard restarts; it comes back running its firmware when the version area is
        // valid, else in its bootloader again.
        RESET,
    };

    std::optional<Report> answer;
    // Time the keyboard works before it can answer (erasing flash).
    std::chrono::microseconds busy{0};
    Departure departure = Departure::NONE;
    // Something the state file keeps has changed.
    bool stateChanged = false;
};

} // namespace lumetta::kbsim
