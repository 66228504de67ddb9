#pragma once

#include "kbsim/EngineOutcome.h"
#include "kbsim/Faults.h"
#include "kbsim/KeyboardState.h"

#include <chrono>
#include <cstdint>

namespace lumetta::kbsim {

// Time the simulated flash takes to erase one page; an erase answers after all its pages.
inline constexpr std::chrono::microseconds ERASE_TIME_PER_PAGE{3000};

// The keyboard's bootloader: one firmware target, erase, write pointer, block writes,
// checksums, and the firmware information of the running firmware.
class BootloaderEngine {
public:
    explicit BootloaderEngine(KeyboardState& state) : state_(state) {}

    EngineOutcome handle(const Report& request, Faults& faults);

    void powerUp();

    std::uint32_t writePointer() const { return writePointer_; }

private:
    EngineOutcome targetCommand(const Report& request);
    EngineOutcome flashCommand(const Report& request, Faults& faults);
    EngineOutcome pointerCommand(const Report& request);
    EngineOutcome writeBlock(const Report& request, Faults& faults);

    KeyboardState& state_;
    std::uint32_t writePointer_ = 0;
    std::uint32_t target_ = 0;
};

} // namespace lumetta::kbsim
