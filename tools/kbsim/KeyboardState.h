#pragma once

#include "kbsim/Flash.h"
#include "kbsim/ProfileData.h"

#include <array>
#include <cstdint>
#include <optional>
#include <string_view>

namespace lumetta::kbsim {

// Layout types as the keyboard reports them: layout id and the high byte of bcdDevice.
enum class Layout : std::uint16_t { US = 1, EU = 2, JP = 3 };

std::optional<Layout> parseLayout(std::string_view name);
// "us", "eu", "jp", or "" for a layout id the simulator does not know.
std::string_view layoutName(std::uint16_t layoutId);

inline constexpr std::size_t MODEL_ID_SIZE = 16;
inline constexpr std::string_view SIM_MODEL_ID = "LUMETTA-SIM-0001";

// Everything the keyboard keeps across power cycles and restarts of the simulator.
struct KeyboardState {
    std::array<std::uint8_t, MODEL_ID_SIZE> modelId{};
    std::uint16_t layoutId = 0;
    std::uint16_t bcdDevice = 0;
    std::uint8_t currentProfile = 0;
    // What the keyboard runs now; changes that were not committed are lost at a power cycle.
    std::array<ProfileData, PROFILE_COUNT> profiles;
    // What survives a power cycle (CommitProfile, ResetProfile, the keyboard's own keys).
    std::array<ProfileData, PROFILE_COUNT> committed;
    FlashBytes flash = erasedFlash();

    bool operator==(const KeyboardState&) const = default;
};

// A keyboard as it leaves the factory: factory profiles, firmware 1.2 build 5.
KeyboardState factoryState(Layout layout);

} // namespace lumetta::kbsim
