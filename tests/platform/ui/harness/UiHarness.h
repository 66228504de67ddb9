#pragma once

#include "platform/core/Clock.h"
#include "platform/display/headless/HeadlessDisplay.h"
#include "platform/ui/Desktop.h"
#include "platform/ui/Window.h"

#include <memory>

namespace lumetta::test {

// A headless desktop for window tests: a manual clock (time passes only when a test says so,
// or when a nested loop has nothing to do but wait for a timer), and input addressed to any
// window at a point in its own client coordinates, each step handled before it returns.
class UiHarness {
public:
    explicit UiHarness(gfx::Size screen = {800, 600}, display::DisplayCapabilities caps = {});
    ~UiHarness();
    UiHarness(const UiHarness&) = delete;
    UiHarness& operator=(const UiHarness&) = delete;

    core::ManualClock& clock() { return clock_; }
    display::HeadlessDisplay& display() { return *display_; }
    ui::Desktop& desktop() { return *desktop_; }

    // Handles every pending event, posted message and due timer, then paints.
    void pump();
    // Moves the clock on in steps no longer than `step`, handling what falls due on the way.
    void advance(core::Duration by, core::Duration step = std::chrono::milliseconds(10));

    void move(const ui::Window& window, gfx::Point p);
    void press(const ui::Window& window, gfx::Point p,
               display::MouseButton button = display::MouseButton::Left);
    void release(const ui::Window& window, gfx::Point p,
                 display::MouseButton button = display::MouseButton::Left);
    void click(const ui::Window& window, gfx::Point p,
               display::MouseButton button = display::MouseButton::Left);
    void doubleClick(const ui::Window& window, gfx::Point p);
    void wheel(const ui::Window& window, gfx::Point p, int notches);
    void key(int key, unsigned modifiers = 0);
    void type(const std::string& utf8);

    // The window's pixels as its top-level framebuffer holds them.
    gfx::Surface snapshot(const ui::Window& window);
    gfx::Surface screen() { return display_->composeScreen(); }

private:
    gfx::Point inTopLevel(const ui::Window& window, gfx::Point p) const;

    core::ManualClock clock_;
    display::HeadlessDisplay* display_ = nullptr;
    std::unique_ptr<ui::Desktop> desktop_;
};

} // namespace lumetta::test
