#pragma once

#include <chrono>
#include <functional>
#include <mutex>
#include <vector>

namespace lumetta::core {

using Duration = std::chrono::nanoseconds;
using TimePoint = std::chrono::time_point<std::chrono::steady_clock, Duration>;

// Source of "now" for timers and delays, so tests can drive time by hand.
class Clock {
public:
    virtual ~Clock() = default;
    virtual TimePoint now() const = 0;

    // Clocks that jump call their listeners after each jump, so a loop sleeping towards a timer
    // recomputes its deadline. The steady clock never jumps and keeps no listeners.
    virtual int addJumpListener(std::function<void()> listener);
    virtual void removeJumpListener(int token);

    // The process-wide monotonic clock.
    static Clock& steady();
};

class SteadyClock final : public Clock {
public:
    TimePoint now() const override;
};

// A clock that moves only when told to. Thread-safe.
class ManualClock final : public Clock {
public:
    explicit ManualClock(TimePoint start = TimePoint{});

    TimePoint now() const override;
    void advance(Duration step);
    void set(TimePoint to);

    int addJumpListener(std::function<void()> listener) override;
    void removeJumpListener(int token) override;

private:
    void notify();

    mutable std::mutex mutex_;
    TimePoint now_;
    int nextToken_ = 1;
    std::vector<std::pair<int, std::function<void()>>> listeners_;
};

} // namespace lumetta::core
