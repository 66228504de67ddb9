#include "platform/core/Clock.h"

#include <algorithm>

namespace lumetta::core {

int Clock::addJumpListener(std::function<void()>) {
    return 0;
}

void Clock::removeJumpListener(int) {}

Clock& Clock::steady() {
    static SteadyClock clock;
    return clock;
}

TimePoint SteadyClock::now() const {
    return std::chrono::time_point_cast<Duration>(std::chrono::steady_clock::now());
}

ManualClock::ManualClock(TimePoint start) : now_(start) {}

TimePoint ManualClock::now() const {
    std::lock_guard lock(mutex_);
    return now_;
}

void ManualClock::advance(Duration step) {
    {
        std::lock_guard lock(mutex_);
        now_ += step;
    }
    notify();
}

void ManualClock::set(TimePoint to) {
    {
        std::lock_guard lock(mutex_);
        now_ = to;
    }
    notify();
}

int ManualClock::addJumpListener(std::function<void()> listener) {
    std::lock_guard lock(mutex_);
    int token = nextToken_++;
    listeners_.emplace_back(token, std::move(listener));
    return token;
}

void ManualClock::removeJumpListener(int token) {
    std::lock_guard lock(mutex_);
    std::erase_if(listeners_, [token](const auto& entry) { return entry.first == token; });
}

void ManualClock::notify() {
    std::vector<std::function<void()>> listeners;
    {
        std::lock_guard lock(mutex_);
        for (const auto& entry : listeners_) {
            listeners.push_back(entry.second);
        }
    }
    for (const auto& listener : listeners) {
        listener();
    }
}

} // namespace lumetta::core
