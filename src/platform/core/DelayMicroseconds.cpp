#include "platform/core/DelayMicroseconds.h"

#include <algorithm>
#include <cstdint>
#include <sys/prctl.h>
#include <thread>

namespace lumetta::core {

namespace {

void relax() {
#if defined(__x86_64__) || defined(__i386__)
    __builtin_ia32_pause();
#elif defined(__aarch64__)
    asm volatile("yield");
#endif
}

// Sleeps with the thread's timer slack lowered, so the kernel wakes it close to the asked time
// instead of grouping the wake-up with others up to the usual 50 us later.
void preciseSleep(Duration span) {
    int slack = ::prctl(PR_GET_TIMERSLACK, 0, 0, 0, 0);
    ::prctl(PR_SET_TIMERSLACK, 1000UL, 0, 0, 0);
    std::this_thread::sleep_for(span);
    if (slack > 0) {
        ::prctl(PR_SET_TIMERSLACK, static_cast<unsigned long>(slack), 0, 0, 0);
    }
}

} // namespace

void delayFor(Duration duration, const Clock& clock, const std::function<void(Duration)>& sleep) {
    const TimePoint deadline = clock.now() + duration;
    for (;;) {
        Duration left = deadline - clock.now();
        if (left <= kSpinTail) {
            break;
        }
        sleep(left - kSpinTail);
    }
    while (clock.now() < deadline) {
        relax();
    }
}

void DelayMicroseconds(std::uint64_t microseconds) {
    // Keeps the span representable in nanoseconds (about 290 years).
    constexpr std::uint64_t longest = std::uint64_t{INT64_MAX} / 1000;
    auto span =
        std::chrono::microseconds(static_cast<std::int64_t>(std::min(microseconds, longest)));
    delayFor(span, Clock::steady(), preciseSleep);
}

} // namespace lumetta::core
