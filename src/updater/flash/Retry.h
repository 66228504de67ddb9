#pragma once

#include "updater/flash/FlashTiming.h"

#include <chrono>

namespace lumetta::flash {

// Runs attempt up to `tries` times until it returns true, sleeping `pause` after every failed
// try that another one follows. Returns whether a try succeeded.
template <class Attempt>
bool retry(int tries, const Sleeper& sleep, std::chrono::milliseconds pause, Attempt&& attempt) {
    for (int tried = 1; tried <= tries; ++tried) {
        if (attempt()) {
            return true;
        }
        if (tried < tries) {
            sleep(pause);
        }
    }
    return false;
}

} // namespace lumetta::flash
