#pragma once

#include "platform/display/Key.h"
#include "platform/gfx/Geometry.h"

#include <cstdint>
#include <string>

namespace lumetta::display {

// Names a top-level window of a backend; 0 is none. Never reused by a backend instance.
using NativeWindowId = std::uint64_t;

enum class MouseButton : std::uint8_t { Left, Right, Middle };

enum class Cursor : std::uint8_t { Arrow, Cross, IBeam, Hand, SizeAll, Wait };

// One thing the display reports. Mouse points are in the window's own pixels, (0, 0) at its
// top-left corner; they may lie outside the window while the mouse is captured.
struct DisplayEvent {
    enum class Type : std::uint8_t {
        MouseMove,
        ButtonDown, // clicks: 1, or 2 for the second press of a double click
        ButtonUp,
        Wheel,       // wheelDelta: 120 per notch, positive away from the user
        MouseLeft,   // the pointer left the window
        KeyDown,     // key, repeat
        KeyUp,       // key
        Text,        // text: UTF-8 typed text
        FocusGained, // the window became the active one
        FocusLost,
        CloseRequested, // the user asked the window manager to close it
        Moved,          // the window manager moved it; point is the new top-left on screen
        Minimized,
        Restored,
        Exposed, // the display lost the window's pixels; present it again
    };

    Type type = Type::MouseMove;
    NativeWindowId window = 0;
    gfx::Point point;
    MouseButton button = MouseButton::Left;
    int clicks = 1;
    int wheelDelta = 0;
    int key = 0;
    bool repeat = false;
    unsigned modifiers = 0; // display::modifier bits
    std::string text;
};

} // namespace lumetta::display
