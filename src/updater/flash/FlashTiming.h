#pragma once

#include "platform/core/Clock.h"

#include <chrono>
#include <functional>
#include <thread>

namespace lumetta::flash {

// The plain sleeps between retries and steps of the update (500 ms, 1000 ms, ...).
using Sleeper = std::function<void(std::chrono::milliseconds)>;

inline void sleepFor(std::chrono::milliseconds span) {
    std::this_thread::sleep_for(span);
}

// The waits of the update that are not answer time-outs. Programs keep the defaults; tests
// shorten them so that a run of retries does not take minutes.
struct FlashTiming {
    Sleeper sleep = sleepFor;
    // How long a keyboard must have been there before its channel reports it ready.
    core::Duration settle = std::chrono::milliseconds(1000);
    // How long the updater waits for the bootloader after asking the keyboard to restart into
    // it. A real keyboard is back within a second; one that ignores the request would
    // otherwise leave the updater waiting for ever.
    core::Duration bootloaderPatience = std::chrono::seconds(20);
};

} // namespace lumetta::flash
