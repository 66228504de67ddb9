#pragma once

#include <functional>
#include <string_view>

namespace lumetta {

// What the device session needs from the windows around it. Every hook may be empty.
struct SessionHooks {
    // The loading or progress window's percentage, 0 to 100; called when its whole-number part
    // changes, so the window repaints only then.
    std::function<void(int percent)> progress;
    // Dispatches one pending message of the user-interface thread, if there is one. Long passes
    // call it after each profile to keep the windows alive.
    std::function<void()> dispatchPending;
    // The LED page shows profile p (its switchProfile).
    std::function<void(int profile)> showProfile;
    // The LED page's colour-cycle generator starts over (a multi-layer upload with COLOR_CYCLE).
    std::function<void()> resetColorCycle;
    // The program log; set only while debugging is switched on.
    std::function<void(std::string_view)> log;
    // Asked between profiles of a long pass: true ends the pass there (a command-line tool
    // interrupted by the user). The pass then returns 1.
    std::function<bool()> stopRequested;
};

} // namespace lumetta
