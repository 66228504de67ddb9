#pragma once

// A desktop display on an X server of each test's own, with helpers to make windows, wait for
// what the display reports and look at the screen.
#include "e2e/display/XvfbServer.h"
#include "platform/display/sdl/SdlDisplay.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <functional>
#include <thread>

namespace lumetta::display::sdltest {

using gfx::Point;
using gfx::Rect;
using test::rgbAt;
using Type = DisplayEvent::Type;

inline constexpr unsigned kRoot = 0x000000; // Xvfb -br
inline constexpr unsigned kRed = 0xE02020;
inline constexpr unsigned kGreen = 0x20C040;
inline constexpr unsigned kBlue = 0x2040E0;
inline constexpr auto kEventTimeout = std::chrono::seconds(5);

inline gfx::Pixel opaque(unsigned rgb) {
    return 0xFF000000u | rgb;
}

inline const char* typeName(Type t) {
    static const char* names[] = {"MouseMove",   "ButtonDown", "ButtonUp",       "Wheel",
                                  "MouseLeft",   "KeyDown",    "KeyUp",          "Text",
                                  "FocusGained", "FocusLost",  "CloseRequested", "Moved",
                                  "Minimized",   "Restored",   "Exposed"};
    return names[int(t)];
}

inline std::string describe(const std::vector<DisplayEvent>& events) {
    std::string out;
    for (const DisplayEvent& e : events) {
        out += std::string(typeName(e.type)) + "(w" + std::to_string(e.window) + " " +
               std::to_string(e.point.x) + "," + std::to_string(e.point.y) + " k" +
               std::to_string(e.key) + " '" + e.text + "') ";
    }
    return out;
}

class SdlDisplayTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(server_.running()) << server_.error();
        setenv("DISPLAY", server_.display().c_str(), 1);
        unsetenv("WAYLAND_DISPLAY");
        startDesktop();
        std::string error;
        display_ = SdlDisplay::open(error);
        ASSERT_NE(display_, nullptr) << error;
    }

    // Programs of the desktop (a window manager, a compositor) that start before the display.
    virtual void startDesktop() {}

    NativeWindowId window(Rect rect, unsigned rgb, WindowSpec desc = {}) {
        desc.rect = rect;
        NativeWindowId id = display_->createWindow(desc);
        EXPECT_NE(id, 0u);
        fill(id, rgb);
        return id;
    }

    void fill(NativeWindowId id, unsigned rgb) {
        gfx::Surface& fb = display_->frameBuffer(id);
        fb.fill(opaque(rgb));
        display_->present(id, gfx::Region(fb.bounds()));
    }

    NativeWindowId shown(Rect rect, unsigned rgb, WindowSpec desc = {}) {
        NativeWindowId id = window(rect, rgb, desc);
        display_->showWindow(id, true, !desc.popup);
        return id;
    }

    // Handles whatever the server sends for a moment, so that what the test asked for is on
    // the screen and its notices are in events_.
    void settle(std::chrono::milliseconds time = std::chrono::milliseconds(150)) {
        auto end = std::chrono::steady_clock::now() + time;
        while (std::chrono::steady_clock::now() < end) {
            drain();
            display_->waitEvents(std::chrono::milliseconds(10));
        }
        drain();
    }

    void drain() {
        DisplayEvent e;
        while (display_->pollEvent(e)) {
            events_.push_back(e);
        }
    }

    // The first collected event that matches, waiting for it up to a few seconds.
    std::optional<DisplayEvent> waitFor(const std::function<bool(const DisplayEvent&)>& match) {
        auto deadline = std::chrono::steady_clock::now() + kEventTimeout;
        std::size_t seen = 0;
        while (true) {
            drain();
            for (; seen < events_.size(); ++seen) {
                if (match(events_[seen])) {
                    DisplayEvent found = events_[seen];
                    events_.erase(events_.begin(), events_.begin() + std::ptrdiff_t(seen) + 1);
                    return found;
                }
            }
            if (std::chrono::steady_clock::now() >= deadline) {
                return std::nullopt;
            }
            display_->waitEvents(std::chrono::milliseconds(20));
        }
    }

    std::optional<DisplayEvent> waitFor(Type type, NativeWindowId window) {
        return waitFor([&](const DisplayEvent& e) { return e.type == type && e.window == window; });
    }

    void xdotool(const std::vector<std::string>& args) {
        ASSERT_EQ(server_.xdotool(args), 0) << args.front();
    }

    gfx::Surface screen() {
        settle();
        gfx::Surface shot = server_.screenshot();
        EXPECT_FALSE(shot.empty()) << "import gave no screenshot";
        return shot;
    }

    test::XvfbServer server_;
    std::unique_ptr<SdlDisplay> display_;
    std::vector<DisplayEvent> events_;
};

} // namespace lumetta::display::sdltest
