#pragma once

#include "platform/core/Clock.h"
#include "platform/display/DisplayBackend.h"

#include <condition_variable>
#include <deque>
#include <filesystem>
#include <functional>
#include <map>
#include <mutex>
#include <optional>
#include <vector>

namespace lumetta::display {

// A display without a screen: real framebuffers per window, a fixed screen size, time from an
// injectable clock, input injected by tests (addressed to a window and a point in its pixels),
// and pictures of any window or of the whole screen composed as a desktop would show it.
//
// It behaves like a small window manager: a press on an inactive window activates it first,
// two presses close in time and place make a double click, the pointer leaving a window for
// another reports MouseLeft, and hiding the active window hands the focus to the next one.
class HeadlessDisplay final : public DisplayBackend {
public:
    struct Options {
        gfx::Size screen{1920, 1080};
        // Null: the steady clock. With a manual clock, tests decide when time passes.
        core::ManualClock* clock = nullptr;
        // With a manual clock: a loop that has nothing to do but wait for a timer moves the
        // clock on to it at once instead of sleeping, so timed behaviour runs instantly.
        bool advanceClockWhenIdle = false;
        // Turn parts off to exercise the layer's own substitutes.
        DisplayCapabilities capabilities;
    };

    // The state of one window as a test sees it.
    struct WindowInfo {
        NativeWindowId id = 0;
        std::string title;
        gfx::Rect rect;
        NativeWindowId owner = 0;
        bool popup = false;
        bool visible = false;
        bool minimized = false;
        bool topmost = false;
        std::uint8_t alpha = 255;
        std::optional<gfx::SysColor> colorKey;
        std::optional<gfx::Region> shape;
        bool hasIcon = false;
        int presents = 0;
    };

    static constexpr int kDoubleClickMs = 500;
    static constexpr int kDoubleClickDistance = 4;

    HeadlessDisplay();
    explicit HeadlessDisplay(Options options);
    ~HeadlessDisplay() override;

    // --- DisplayBackend ---
    const char* name() const override { return "headless"; }
    DisplayCapabilities capabilities() const override { return options_.capabilities; }
    gfx::Size screenSize() const override { return options_.screen; }
    core::Clock& clock() override;
    NativeWindowId createWindow(const WindowSpec& desc) override;
    void destroyWindow(NativeWindowId window) override;
    void setWindowTitle(NativeWindowId window, const std::string& title) override;
    void setWindowRect(NativeWindowId window, const gfx::Rect& rect) override;
    void showWindow(NativeWindowId window, bool visible, bool activate) override;
    void raiseWindow(NativeWindowId window) override;
    void setTopmost(NativeWindowId window, bool topmost) override;
    void minimizeWindow(NativeWindowId window) override;
    void restoreWindow(NativeWindowId window) override;
    void activateWindow(NativeWindowId window) override;
    void setWindowShape(NativeWindowId window, const gfx::Region* region) override;
    void setWindowAlpha(NativeWindowId window, std::uint8_t alpha,
                        std::optional<gfx::SysColor> key) override;
    void setWindowIcon(NativeWindowId window, const gfx::Surface& icon) override;
    gfx::Surface& frameBuffer(NativeWindowId window) override;
    void present(NativeWindowId window, const gfx::Region& changed) override;
    void setCursor(Cursor cursor) override;
    void setMouseCapture(NativeWindowId window, bool captured) override;
    void startTextInput(NativeWindowId window, const gfx::Rect& caret) override;
    void stopTextInput() override;
    bool beginMove(NativeWindowId window) override;
    bool pollEvent(DisplayEvent& event) override;
    void waitEvents(std::optional<core::Duration> timeout) override;
    void wake() override;

    // --- input, any thread; points in the window's own pixels ---
    void move(NativeWindowId window, gfx::Point point);
    void press(NativeWindowId window, gfx::Point point, MouseButton button = MouseButton::Left);
    void release(NativeWindowId window, gfx::Point point, MouseButton button = MouseButton::Left);
    void click(NativeWindowId window, gfx::Point point, MouseButton button = MouseButton::Left);
    void doubleClick(NativeWindowId window, gfx::Point point);
    // notches > 0 turns the wheel away from the user.
    void wheel(NativeWindowId window, gfx::Point point, int notches);
    // Keys go to the active window.
    void keyDown(int key, unsigned modifiers = 0);
    void keyUp(int key, unsigned modifiers = 0);
    void keyPress(int key, unsigned modifiers = 0);
    // Typed text; reaches the program only while it has asked for text input.
    void typeText(const std::string& utf8);
    void requestClose(NativeWindowId window);
    // The window whose pixels are at a screen point (shapes respected), 0 for the desktop.
    NativeWindowId windowAt(gfx::Point screen) const;

    // Runs step when the program's loop has nothing else to do: how a test answers a modal
    // dialog from inside the loop that runs it. Steps run one per idle moment, in order.
    void whenIdle(std::function<void()> step);
    std::size_t pendingSteps() const;
    std::size_t pendingEvents() const;

    // --- what a test can look at ---
    std::vector<WindowInfo> windows() const; // bottom to top as shown
    std::optional<WindowInfo> window(NativeWindowId window) const;
    NativeWindowId findWindow(const std::string& title) const;
    NativeWindowId activeWindow() const;
    Cursor cursor() const;
    NativeWindowId mouseCapture() const;
    bool textInputActive() const;
    gfx::Rect textInputRect() const;
    // The window's pixels as last presented; null for an unknown window.
    const gfx::Surface* windowPixels(NativeWindowId window) const;
    // The screen as a desktop shows it: the windows bottom to top over the background, with
    // their shapes, colour keys and alpha.
    gfx::Surface composeScreen() const;
    bool saveScreenPng(const std::filesystem::path& path) const;
    bool saveWindowPng(NativeWindowId window, const std::filesystem::path& path) const;

    static constexpr gfx::Pixel kDesktopPixel = 0xFF305070;

private:
    struct Native {
        WindowInfo info;
        gfx::Surface pixels;
    };

    Native* find(NativeWindowId window);
    const Native* find(NativeWindowId window) const;
    void push(DisplayEvent event);
    void pushLocked(DisplayEvent event);
    void activateLocked(NativeWindowId window, bool report);
    void handFocusOnLocked(NativeWindowId leaving);
    void pointerToLocked(NativeWindowId window);
    void raiseLocked(NativeWindowId window);
    std::vector<const Native*> stackingLocked() const;
    gfx::Point toScreenLocked(NativeWindowId window, gfx::Point point) const;
    DisplayEvent mouseEvent(DisplayEvent::Type type, NativeWindowId window, gfx::Point point) const;

    Options options_;
    mutable std::mutex mutex_;
    std::condition_variable wakeup_;
    bool woken_ = false;
    std::deque<DisplayEvent> events_;
    std::deque<std::function<void()>> steps_;
    std::map<NativeWindowId, Native> windows_;
    std::vector<NativeWindowId> order_; // bottom to top, bands not yet applied
    NativeWindowId nextId_ = 1;
    NativeWindowId active_ = 0;
    NativeWindowId pointerWindow_ = 0;
    NativeWindowId capture_ = 0;
    Cursor cursor_ = Cursor::Arrow;
    bool textInput_ = false;
    gfx::Rect textInputRect_;
    unsigned modifiers_ = 0;
    unsigned buttonsDown_ = 0;

    struct LastPress {
        core::TimePoint time;
        gfx::Point screen;
        MouseButton button = MouseButton::Left;
        int clicks = 0;
    };
    std::optional<LastPress> lastPress_;
};

} // namespace lumetta::display
