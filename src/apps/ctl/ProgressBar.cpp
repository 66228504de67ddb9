#include "apps/ctl/ProgressBar.h"

#include <algorithm>
#include <unistd.h>

namespace lumetta::ctl {

std::string progressLine(const std::string& label, int percent, int width) {
    percent = std::clamp(percent, 0, 100);
    const int filled = percent * width / 100;
    std::string line = label + " [";
    line.append(static_cast<std::size_t>(filled), '#');
    line.append(static_cast<std::size_t>(width - filled), '-');
    char tail[8];
    std::snprintf(tail, sizeof tail, "] %3d%%", percent);
    return line + tail;
}

ProgressBar::ProgressBar(std::string label, std::FILE* out)
    : label_(std::move(label)), out_(out), enabled_(::isatty(::fileno(out)) == 1) {}

ProgressBar::~ProgressBar() {
    finish();
}

void ProgressBar::show(int percent) {
    if (!enabled_) {
        return;
    }
    std::fprintf(out_, "\r%s", progressLine(label_, percent).c_str());
    std::fflush(out_);
    drawn_ = true;
}

void ProgressBar::finish() {
    if (drawn_) {
        std::fputc('\n', out_);
        std::fflush(out_);
        drawn_ = false;
    }
}

} // namespace lumetta::ctl
