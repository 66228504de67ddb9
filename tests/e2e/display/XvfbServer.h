#pragma once

#include "e2e/display/ChildProcess.h"
#include "platform/gfx/Geometry.h"
#include "platform/gfx/Surface.h"

#include <sys/types.h>

#include <filesystem>
#include <string>
#include <vector>

namespace lumetta::test {

// An X server of the test's own: Xvfb on a display number the server picks itself among the
// free ones, with a black root window and no window manager, stopped by its process id when
// dropped. Programs given environment() show their windows on it.
class XvfbServer {
public:
    static constexpr gfx::Size kDefaultScreen{1024, 768};

    explicit XvfbServer(gfx::Size screen = kDefaultScreen);
    ~XvfbServer();
    XvfbServer(const XvfbServer&) = delete;
    XvfbServer& operator=(const XvfbServer&) = delete;

    bool running() const { return pid_ > 0; }
    // Why it did not start.
    const std::string& error() const { return error_; }
    pid_t pid() const { return pid_; }
    const std::string& display() const { return display_; }
    gfx::Size screen() const { return screen_; }
    std::vector<std::string> environment() const;

    // xdotool on this display; its exit code (0: done), the output in output when given.
    int xdotool(const std::vector<std::string>& arguments, std::string* output = nullptr) const;
    // The screen as the server shows it, through ImageMagick's import; empty on failure.
    gfx::Surface screenshot() const;
    bool saveScreenshot(const std::filesystem::path& png) const;

private:
    pid_t pid_ = -1;
    std::string display_;
    gfx::Size screen_;
    std::string error_;
};

// The pixel of a screenshot as 0xRRGGBB.
unsigned rgbAt(const gfx::Surface& picture, gfx::Point p);

} // namespace lumetta::test
