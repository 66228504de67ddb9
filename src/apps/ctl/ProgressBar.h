#pragma once

#include <cstdio>
#include <string>

namespace lumetta::ctl {

// "label [#####-----]  42%", the line the bar redraws.
std::string progressLine(const std::string& label, int percent, int width = 30);

// A progress bar on a terminal: redrawn in place on standard error, only when standard error is
// a terminal, so scripts see nothing of it.
class ProgressBar {
public:
    explicit ProgressBar(std::string label, std::FILE* out = stderr);
    ~ProgressBar();
    ProgressBar(const ProgressBar&) = delete;
    ProgressBar& operator=(const ProgressBar&) = delete;

    void show(int percent);
    // Ends the bar's line.
    void finish();

private:
    std::string label_;
    std::FILE* out_;
    bool enabled_;
    bool drawn_ = false;
};

} // namespace lumetta::ctl
