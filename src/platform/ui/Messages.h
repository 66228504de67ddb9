#pragma once

#include "platform/core/Message.h"
#include "platform/gfx/Geometry.h"

#include <cstdint>

namespace lumetta::ui {

using core::LParam;
using core::LResult;
using core::MessageId;
using core::TimerId;
using core::WindowHandle;
using core::WParam;

// The platform's window messages, with the numbers the platform has always used, so that code
// that posts or forwards them (a button passing its mouse moves to its parent, a list posting
// itself a move to recompute hover looks) reads as it always did.
namespace msg {
using core::msg::Timer;
inline constexpr MessageId Destroy = 0x0002;
inline constexpr MessageId Move = 0x0003;
inline constexpr MessageId Size = 0x0005;          // wParam: size kind; lParam: packed size
inline constexpr MessageId Activate = 0x0006;      // wParam: 1 active, 0 inactive
inline constexpr MessageId SetFocus = 0x0007;      // wParam: the window that lost it
inline constexpr MessageId KillFocus = 0x0008;     // wParam: the window that gets it
inline constexpr MessageId Enable = 0x000A;        // wParam: 1 enabled
inline constexpr MessageId Close = 0x0010;         //
inline constexpr MessageId ShowWindow = 0x0018;    // wParam: 1 shown
inline constexpr MessageId NcLButtonDown = 0x00A1; // wParam: hit code; lParam: screen point
inline constexpr MessageId KeyDown = 0x0100;       // wParam: key code; lParam bit 30: repeat
inline constexpr MessageId KeyUp = 0x0101;
inline constexpr MessageId Char = 0x0102; // wParam: Unicode code point
inline constexpr MessageId InitDialog = 0x0110;
inline constexpr MessageId Command = 0x0111; // wParam: id | code << 16; lParam: control
inline constexpr MessageId HScroll = 0x0114; // wParam: code | position << 16; lParam: bar
inline constexpr MessageId VScroll = 0x0115;
inline constexpr MessageId MouseMove = 0x0200; // wParam: key flags; lParam: client point
inline constexpr MessageId LButtonDown = 0x0201;
inline constexpr MessageId LButtonUp = 0x0202;
inline constexpr MessageId LButtonDblClk = 0x0203;
inline constexpr MessageId RButtonDown = 0x0204;
inline constexpr MessageId RButtonUp = 0x0205;
inline constexpr MessageId RButtonDblClk = 0x0206;
inline constexpr MessageId MButtonDown = 0x0207;
inline constexpr MessageId MButtonUp = 0x0208;
inline constexpr MessageId MButtonDblClk = 0x0209;
inline constexpr MessageId MouseWheel = 0x020A;     // wParam: flags | delta << 16; lParam: screen
inline constexpr MessageId CaptureChanged = 0x0215; // lParam: the window taking the capture
inline constexpr MessageId MouseLeave = 0x02A3;
} // namespace msg

// Key flags in the wParam of mouse messages.
namespace mk {
inline constexpr unsigned LButton = 0x0001;
inline constexpr unsigned RButton = 0x0002;
inline constexpr unsigned Shift = 0x0004;
inline constexpr unsigned Control = 0x0008;
inline constexpr unsigned MButton = 0x0010;
} // namespace mk

// Hit codes of NcLButtonDown: a press on the caption moves the window.
inline constexpr WParam kHitCaption = 2;

// Dialog end codes and the ids of the standard buttons.
inline constexpr int IdOk = 1;
inline constexpr int IdCancel = 2;

// Notification codes in the high word of a command's wParam.
namespace notify {
inline constexpr int Clicked = 0; // push button
inline constexpr int EditSetFocus = 0x0100;
inline constexpr int EditKillFocus = 0x0200;
inline constexpr int EditChange = 0x0300;  // the user or the program changed the text
inline constexpr int EditMaxText = 0x0501; // typed text was cut at the maximum length
} // namespace notify

// Scroll codes in the low word of a scroll message's wParam.
namespace scroll {
inline constexpr int LineUp = 0;
inline constexpr int LineDown = 1;
inline constexpr int PageUp = 2;
inline constexpr int PageDown = 3;
inline constexpr int ThumbPosition = 4;
inline constexpr int ThumbTrack = 5;
inline constexpr int Top = 6;
inline constexpr int Bottom = 7;
inline constexpr int EndScroll = 8;
} // namespace scroll

// Size kinds in the wParam of msg::Size.
inline constexpr WParam kSizeRestored = 0;
inline constexpr WParam kSizeMinimized = 1;

// Points travel packed as two signed 16-bit halves, x low.
constexpr LParam packPoint(gfx::Point p) {
    return LParam(std::uint32_t(std::uint16_t(std::int16_t(p.x))) |
                  (std::uint32_t(std::uint16_t(std::int16_t(p.y))) << 16));
}
constexpr gfx::Point unpackPoint(LParam l) {
    auto v = std::uint32_t(l);
    return {std::int16_t(std::uint16_t(v & 0xFFFF)), std::int16_t(std::uint16_t(v >> 16))};
}
constexpr WParam makeWParam(int low, int high) {
    return WParam(std::uint32_t(std::uint16_t(low)) | (std::uint32_t(std::uint16_t(high)) << 16));
}
constexpr int lowWord(WParam w) {
    return int(std::uint16_t(w & 0xFFFF));
}
constexpr int highWord(WParam w) {
    return int(std::uint16_t((w >> 16) & 0xFFFF));
}
// The wheel delta is signed.
constexpr int wheelDelta(WParam w) {
    return int(std::int16_t(std::uint16_t((w >> 16) & 0xFFFF)));
}

// A window handle as it travels in an lParam.
inline LParam handleParam(WindowHandle h) {
    return LParam(h.value());
}
inline WindowHandle handleFromParam(std::uintptr_t v) {
    return WindowHandle(std::uint64_t(v));
}

} // namespace lumetta::ui
