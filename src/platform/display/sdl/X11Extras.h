#pragma once

#include "platform/gfx/Geometry.h"

#include <cstdint>
#include <optional>
#include <span>
#include <vector>

struct _XDisplay;
struct SDL_Window;
struct SDL_SysWMmsg;

namespace lumetta::display {

// An X window id, kept free of Xlib's headers (whose macros clash with ordinary names).
using XWindowId = unsigned long;

// What one pointer event of the X server says, read from SDL's copy of it.
struct XPointerEvent {
    enum class Kind : std::uint8_t { Motion, Press, Release, Enter, Leave };
    Kind kind = Kind::Motion;
    XWindowId window = 0;
    gfx::Point root;        // on the screen
    unsigned button = 0;    // X button number for Press and Release
    unsigned state = 0;     // X modifier and button mask before the event
    std::uint32_t time = 0; // server milliseconds
    bool synthetic = false; // sent by a client, not made by the server
    bool crossingByGrab = false;
};

// A change of the keyboard focus the server reports; changes made only for grabs or within a
// window's own tree are left out.
struct XFocusChange {
    XWindowId window = 0;
    bool gained = false;
    // The last request of ours the server had handled when it made the change: older than a
    // request means the change happened before that request took effect.
    unsigned long serial = 0;
};

// The X11 requests SDL2 does not offer (shapes from rectangles, moves without a round-trip wait,
// stacking, pointer grabs, window-manager discovery), made on SDL's own connection to the
// server. Everything runs on the user-interface thread.
class X11Extras {
public:
    // While installed, errors that our own requests meet when a window vanished between two
    // requests are dropped instead of ending the process. Counted; the first install and the
    // last removal take effect.
    static void installErrorFilter();
    static void removeErrorFilter();

    // Null when the window does not live on an X server.
    static std::optional<X11Extras> forWindow(SDL_Window* window);
    static XWindowId windowOf(SDL_Window* window);

    // Pointer events of windows of this connection; empty for every other event. SDL takes
    // motion through the input extension, whose event data lives only while SDL hands the
    // message out: call this from an event watch, not on a copy polled later.
    std::optional<XPointerEvent> pointerEvent(const SDL_SysWMmsg& message) const;
    static std::optional<XFocusChange> focusChange(const SDL_SysWMmsg& message);

    // A window manager that follows the desktop conventions runs (it moves, stacks, focuses,
    // iconifies and keeps windows above).
    bool windowManagerRunning() const;
    // ... and it moves a window on request while a button is held.
    bool windowManagerMoves() const;
    // A compositing manager runs, so a window's opacity is honoured.
    bool compositorRunning() const;
    bool shapesAvailable() const { return shapes_; }

    // Cuts the window to the rectangles; none: the whole window again.
    void setShape(XWindowId window, const std::vector<gfx::Rect>* rects);
    void move(XWindowId window, gfx::Point topLeft);
    void raise(XWindowId window);
    // Stacks the windows in this order from the top down (no window manager only).
    void restack(std::span<const XWindowId> topToBottom);
    // The focus requests return their request's serial (see XFocusChange).
    unsigned long focus(XWindowId window);
    // The serial the next request will carry.
    unsigned long nextSerial() const;
    // The window holding the keyboard focus as X says: a window, or kFocusNone or
    // kFocusPointerRoot; focusTo() gives it back as it was.
    XWindowId focusedWindow() const;
    unsigned long focusTo(XWindowId focused);
    static constexpr XWindowId kFocusNone = 0;
    static constexpr XWindowId kFocusPointerRoot = 1;

    // Every pointer event goes to window until ungrab(); false when another client holds a grab.
    bool grabPointer(XWindowId window);
    void ungrabPointer();

    struct Pointer {
        gfx::Point root;
        unsigned buttons = 0; // X button mask bits (Button1Mask ...)
    };
    Pointer queryPointer() const;
    static constexpr unsigned kButton1Mask = 1u << 8;

    // Makes the server deliver a left-button press at the pointer to the window, as if the user
    // had pressed there; the press is marked as sent by a client.
    void sendLeftPress(XWindowId window, gfx::Point root, gfx::Point local);

    void flush();
    // Waits until the server has handled every request and its events are in.
    void sync();

private:
    explicit X11Extras(_XDisplay* display);
    bool rootHasProperty(const char* name) const;
    std::vector<unsigned long> rootAtomList(const char* name) const;

    _XDisplay* display_ = nullptr;
    XWindowId root_ = 0;
    int screen_ = 0;
    int inputOpcode_ = -1;
    bool shapes_ = false;
};

} // namespace lumetta::display
