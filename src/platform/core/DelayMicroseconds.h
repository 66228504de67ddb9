#pragma once

#include "platform/core/Clock.h"

#include <cstdint>
#include <functional>

namespace lumetta::core {

// Longest tail of a delay that is spun rather than slept: a sleep may wake late by a scheduler
// tick, a spin ends within microseconds.
inline constexpr Duration kSpinTail = std::chrono::microseconds(200);

// Waits at least the given number of microseconds and only a few longer. It sleeps through all
// but the last kSpinTail and spins that tail, so a long pause does not burn a core.
void DelayMicroseconds(std::uint64_t microseconds);

// The same on a given clock and sleep function.
void delayFor(Duration duration, const Clock& clock, const std::function<void(Duration)>& sleep);

} // namespace lumetta::core
