#include "shell/session/ProgressMeter.h"

namespace lumetta {

void ProgressMeter::set(double percent) {
    percent_ = percent;
    const int whole = static_cast<int>(percent);
    if (whole == shown_) {
        return;
    }
    shown_ = whole;
    if (display_) {
        display_(whole);
    }
}

void ProgressMeter::restart() {
    percent_ = 0;
    shown_ = -1;
}

} // namespace lumetta
