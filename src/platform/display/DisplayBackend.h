#pragma once

#include "platform/core/Clock.h"
#include "platform/display/DisplayEvent.h"
#include "platform/gfx/Color.h"
#include "platform/gfx/Region.h"
#include "platform/gfx/Surface.h"

#include <optional>
#include <string>

namespace lumetta::display {

// What a display does itself. Whatever it cannot do, the user-interface layer does for it or
// goes without (a window that cannot be made translucent is composed over what lies below it by
// the layer; a window that cannot be shaped stays rectangular).
struct DisplayCapabilities {
    bool constantAlpha = true; // showWindowAlpha's alpha is applied by the display
    bool colorKey = true;      // ... and so is its key colour
    bool shapes = true;        // setWindowShape cuts the window
    bool moveByDrag = true;    // beginMove works
};

// How a top-level window is made. Every window is borderless: the program draws all of it.
struct WindowSpec {
    gfx::Rect rect; // on the screen
    std::string title;
    NativeWindowId owner = 0; // stays above its owner; 0: none
    bool popup = false;       // a menu or tooltip: no task-bar entry, never takes the focus
    bool topmost = false;
};

// The one interface between the user-interface layer and a display. One backend serves one
// user-interface thread; every call except wake() is made on that thread. Each backend keeps a
// framebuffer per window: the layer paints into it and then presents the part it changed.
//
// The operations with bodies here are optional: a backend leaves them as they are when it
// cannot do them, and the capabilities say so where it matters.
class DisplayBackend {
public:
    virtual ~DisplayBackend() = default;

    // The name LUMETTA_DISPLAY selects this backend by.
    virtual const char* name() const = 0;
    virtual DisplayCapabilities capabilities() const = 0;
    virtual gfx::Size screenSize() const = 0;
    // The time events are stamped with and timers run on.
    virtual core::Clock& clock() { return core::Clock::steady(); }

    // --- windows ---
    // Created hidden; 0 when the display refuses.
    virtual NativeWindowId createWindow(const WindowSpec& desc) = 0;
    virtual void destroyWindow(NativeWindowId window) = 0;
    virtual void setWindowTitle(NativeWindowId window, const std::string& title) = 0;
    // Moves and sizes; a new size gives a new framebuffer with undefined pixels.
    virtual void setWindowRect(NativeWindowId window, const gfx::Rect& rect) = 0;
    virtual void showWindow(NativeWindowId window, bool visible, bool activate) = 0;
    // Puts the window above the other windows of its band (topmost or normal).
    virtual void raiseWindow(NativeWindowId window) = 0;
    virtual void setTopmost(NativeWindowId window, bool topmost) = 0;
    virtual void minimizeWindow(NativeWindowId window) = 0;
    virtual void restoreWindow(NativeWindowId window) = 0;
    // Gives the window the keyboard focus. Focus events report only the changes the display
    // makes on its own (a click on another window, the user switching windows, the active
    // window going away), never an echo of what the program asked for here or in showWindow,
    // and focus news not yet taken when the program asks is dropped: arriving late, either
    // would undo the newer request.
    virtual void activateWindow(NativeWindowId window) = 0;
    // The pixels outside the region (window coordinates) are not part of the window: they show
    // what lies below and take no input. No region: the whole rectangle.
    virtual void setWindowShape(NativeWindowId, const gfx::Region*) {}
    // The window shows at the given constant alpha, and its pixels of the key colour not at all.
    virtual void setWindowAlpha(NativeWindowId, std::uint8_t, std::optional<gfx::SysColor>) {}
    virtual void setWindowIcon(NativeWindowId, const gfx::Surface&) {}

    // --- pixels ---
    // The window's pixels, as large as the window. Valid until the window is sized or destroyed.
    virtual gfx::Surface& frameBuffer(NativeWindowId window) = 0;
    // Shows the part of the framebuffer that changed (window coordinates).
    virtual void present(NativeWindowId window, const gfx::Region& changed) = 0;

    // --- input ---
    virtual void setCursor(Cursor cursor) = 0;
    // While captured, the mouse keeps reporting to the window it is over when the capture began,
    // even outside every window of the program.
    virtual void setMouseCapture(NativeWindowId window, bool captured) = 0;
    // Typed text arrives as Text events only between these; the caret rectangle (window
    // coordinates) tells an input method where to show its candidates.
    virtual void startTextInput(NativeWindowId, const gfx::Rect&) {}
    virtual void stopTextInput() {}
    // Lets the window manager move the window with the mouse from where the pointer is now,
    // while the left button is held; the press that started it has already been reported.
    // False when the display cannot: the layer then moves the window itself.
    virtual bool beginMove(NativeWindowId) { return false; }

    // --- events ---
    // Takes the next event without waiting.
    virtual bool pollEvent(DisplayEvent& event) = 0;
    // Waits until an event is there, wake() is called or the timeout (on clock()) has passed.
    virtual void waitEvents(std::optional<core::Duration> timeout) = 0;
    // Any thread, may hold locks: must neither block nor call into the message core.
    virtual void wake() = 0;
};

} // namespace lumetta::display
