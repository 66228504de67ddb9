#pragma once

#include <chrono>
#include <cstdint>
#include <filesystem>

namespace lumetta {

// The outside companion program listens under this name, if it runs at all.
inline constexpr const char* COMPANION_ENDPOINT = "Wrenfield_Lumetta_Hid";
inline constexpr std::uint32_t WM_CONFIGURATOR_RUNNING = 2929;

// A companion that does not answer within this time is not waited for any longer, so a hung
// companion cannot keep the configurator from starting.
inline constexpr std::chrono::milliseconds COMPANION_ANSWER_TIMEOUT{5000};

// At start: sends WM_CONFIGURATOR_RUNNING with wParam 0 and lParam 1 and waits for it to be
// handled. At the end: posts it with lParam 0 without waiting. Both return whether the companion
// was reached; an absent or dead companion is skipped without a word. The folder is the runtime
// folder unless given.
bool notifyCompanionStarted();
bool notifyCompanionEnded();
bool notifyCompanionStarted(const std::filesystem::path& folder);
bool notifyCompanionEnded(const std::filesystem::path& folder);

} // namespace lumetta
