#pragma once

#include "kbsim/EngineOutcome.h"
#include "kbsim/Faults.h"
#include "kbsim/KeyboardState.h"

#include <cstdint>
#include <optional>

namespace lumetta::kbsim {

// The keyboard's running firmware: answers the command catalogue on the profiles it keeps.
class FirmwareEngine {
public:
    explicit FirmwareEngine(KeyboardState& state) : state_(state) {}

    EngineOutcome handle(const Report& request, Faults& faults);

    // Power-up: what was not committed is gone; mode, events and memory choice start afresh.
    void powerUp();

    // The keyboard's profile key: the next profile becomes current. Returns the event report
    // when the host has set events up.
    std::optional<Report> pressProfileKey();
    // The keyboard's lighting key: the current profile runs the next effect of its list.
    // Returns the event report when events are set up; nullopt also when the list is empty.
    std::optional<Report> pressModeKey();

    std::uint8_t mode() const { return mode_; }
    bool eventsEnabled() const { return eventsEnabled_; }
    int customMemory() const { return customMemory_; }

private:
    ProfileData& current() { return state_.profiles[state_.currentProfile]; }

    EngineOutcome deviceCommand(const Report& request);
    EngineOutcome eventCommand(const Report& request);
    EngineOutcome storeCommand(const Report& request);
    EngineOutcome writeCommand(const Report& request);
    EngineOutcome readCommand(const Report& request);
    EngineOutcome bootCommand(const Report& request, const Faults& faults);

    void setProfileName(const Report& request);
    void setEffectEntries(const Report& request);
    void setKeyEffectChunk(const Report& request);
    void setKeyColors(const Report& request);
    Report profileName(const Report& request);
    Report effectEntries(const Report& request);
    Report keyEffectChunk(const Report& request);
    Report keyColors(const Report& request);

    KeyboardState& state_;
    std::uint8_t mode_ = 0;
    bool eventsEnabled_ = false;
    int customMemory_ = 0;
};

} // namespace lumetta::kbsim
