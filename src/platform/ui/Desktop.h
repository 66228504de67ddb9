#pragma once

#include "platform/core/LoopBackend.h"
#include "platform/display/DisplayBackend.h"
#include "platform/ui/Window.h"

#include <memory>
#include <optional>
#include <unordered_map>
#include <vector>

namespace lumetta::ui {

// The user-interface thread's connection to its display. It feeds the display's events into the
// thread's event loop (as the loop's backend), routes mouse and keyboard input to windows, keeps
// capture, hover and focus (as weak handles, since windows may die inside nested loops), and
// paints and presents what windows invalidate, coalesced into one pass per turn of the loop.
//
// Create one on the user-interface thread before any window and keep it until the last window
// is gone. The loop knows nothing of windows: everything here reaches it through the message
// core's backend seam.
class Desktop final : private core::LoopBackend {
public:
    explicit Desktop(std::unique_ptr<display::DisplayBackend> backend);
    ~Desktop() override;
    Desktop(const Desktop&) = delete;
    Desktop& operator=(const Desktop&) = delete;

    // This thread's desktop, or null.
    static Desktop* current();

    display::DisplayBackend& backend() { return *backend_; }
    gfx::Size screenSize() const { return backend_->screenSize(); }
    core::Clock& clock() { return backend_->clock(); }

    // Top-level windows, bottom to top as this layer stacks them.
    std::vector<Window*> topLevelWindows() const;
    // The highest top-level window with this title.
    Window* findWindow(const std::string& title) const;
    Window* windowFromHandle(WindowHandle handle) const;
    Window* windowFromNative(display::NativeWindowId native) const;
    // The deepest window under a screen point, as input would find it (disabled top-level
    // windows included; their input is dropped later).
    Window* windowAt(gfx::Point screen) const;

    Window* activeWindow() const;
    Window* focusWindow() const;
    Window* captureWindow() const;
    Window* hoverWindow() const;
    gfx::Point cursorPos() const { return cursor_; }
    // Mouse buttons held (mk:: bits) and modifier keys (display::modifier bits).
    unsigned buttons() const { return buttons_; }
    unsigned modifiers() const { return modifiers_; }

    // Paints and presents every pending invalid area now.
    void paintPending();
    // Handles every event the display has queued and paints; what tests call between steps.
    // Returns whether anything happened.
    bool processPending();

private:
    friend class Window;
    class PaintTarget;
    struct MoveDrag {
        WindowHandle window;
        gfx::Point grab;
        gfx::Point start;
    };

    // core::LoopBackend
    void waitForEvents(std::optional<core::Duration> timeout) override;
    void wake() override;
    bool dispatchEvents() override;

    // Called by windows.
    void registerWindow(Window& window);
    void unregisterWindow(Window& window);
    void topLevelCreated(Window& window, const CreateParams& params);
    void topLevelDestroyed(Window& window);
    void raiseTopLevel(Window& window);
    void showTopLevel(Window& window, bool visible);
    void topLevelMoved(Window& window, const gfx::Rect& old);
    void schedulePaint(Window& topLevel);
    void setCapture(Window* window);
    void releaseCapture();
    void setFocus(Window* window);
    void activate(Window* topLevel);
    void topLevelDisabled(Window& window);
    void beginMoveDrag(Window& topLevel, gfx::Point screen);
    void updateLayered(Window& window);
    void updateTextInput();
    void setBackendCapture(display::NativeWindowId native);
    void destroyOwned(Window& owner);
    Window* enabledOwnedWindow(Window& owner) const;

    // Input.
    void handleEvent(const display::DisplayEvent& event);
    void routeMouse(const display::DisplayEvent& event);
    void routeKey(const display::DisplayEvent& event);
    void routeChar(char32_t ch);
    bool moveDragEvent(const display::DisplayEvent& event, gfx::Point screen);
    void setHover(Window* window);
    bool deliverInput(Window& target, MessageId id, WParam wParam, LParam lParam);
    unsigned keyFlags() const;

    // Painting.
    void paintTopLevel(Window& window);
    void paintTree(gfx::Painter& painter, Window& window, bool root);
    bool composedHere(const Window& window) const;
    void compose(Window& window, const gfx::Region& area);
    void recomposeAbove(Window& window, const gfx::Region& changed);

    std::unique_ptr<display::DisplayBackend> backend_;
    std::unique_ptr<PaintTarget> paintTarget_;
    std::unordered_map<std::uint64_t, Window*> byHandle_;
    std::unordered_map<display::NativeWindowId, Window*> byNative_;
    std::vector<WindowHandle> stack_; // top-level windows, bottom to top
    std::vector<WindowHandle> pendingPaint_;
    bool paintPosted_ = false;

    WindowHandle active_;
    WindowHandle focus_;
    WindowHandle capture_;         // set with setCapture
    WindowHandle implicitCapture_; // the window that took the first button press
    WindowHandle hover_;
    std::optional<MoveDrag> moveDrag_;
    gfx::Point cursor_;
    unsigned buttons_ = 0;
    unsigned modifiers_ = 0;
    display::NativeWindowId captureNative_ = 0;
    display::Cursor shownCursor_ = display::Cursor::Arrow;
    bool textInput_ = false;
};

} // namespace lumetta::ui
