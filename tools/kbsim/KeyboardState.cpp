#include "kbsim/KeyboardState.h"

#include "kbsim/FactoryContent.h"

#include <algorithm>

namespace lumetta::kbsim {

std::optional<Layout> parseLayout(std::string_view name) {
    if (name == "us") {
        return Layout::US;
    }
    if (name == "eu") {
        return Layout::EU;
    }
    if (name == "jp") {
        return Layout::JP;
    }
    return std::nullopt;
}

std::string_view layoutName(std::uint16_t layoutId) {
    switch (layoutId) {
    case 1:
        return "us";
    case 2:
        return "eu";
    case 3:
        return "jp";
    default:
        return "";
    }
}

KeyboardState factoryState(Layout layout) {
    KeyboardState state;
    std::copy(SIM_MODEL_ID.begin(), SIM_MODEL_ID.end(), state.modelId.begin());
    state.layoutId = static_cast<std::uint16_t>(layout);
    // The high byte carries the layout type, the low byte the hardware revision.
    state.bcdDevice = static_cast<std::uint16_t>(state.layoutId << 8);
    for (int i = 0; i < PROFILE_COUNT; ++i) {
        state.profiles[i] = factoryProfile(i);
    }
    state.committed = state.profiles;
    state.flash = factoryFlash(state.layoutId);
    return state;
}

} // namespace lumetta::kbsim
