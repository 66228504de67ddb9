#pragma once

#include <functional>

namespace lumetta {

// A pass's percentage as a real number; the display hears of it only when the whole-number part
// changes.
class ProgressMeter {
public:
    explicit ProgressMeter(std::function<void(int)> display = {}) : display_(std::move(display)) {}

    void set(double percent);
    void add(double amount) { set(percent_ + amount); }
    double percent() const { return percent_; }
    // Forgets what was shown, so the next value is shown whatever it is.
    void restart();

private:
    std::function<void(int)> display_;
    double percent_ = 0;
    int shown_ = -1;
};

} // namespace lumetta
