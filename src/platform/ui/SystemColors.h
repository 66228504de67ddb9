#pragma once

#include "platform/gfx/Color.h"

namespace lumetta::ui {

// The colours of the plain (unskinned) controls, as the system's 0x00BBGGRR values.
namespace syscolor {
inline constexpr gfx::SysColor Face = gfx::sysColor(0xF0, 0xF0, 0xF0); // dialog and button face
inline constexpr gfx::SysColor Text = gfx::sysColor(0x00, 0x00, 0x00);
inline constexpr gfx::SysColor GrayText = gfx::sysColor(0x6D, 0x6D, 0x6D);
inline constexpr gfx::SysColor Window = gfx::sysColor(0xFF, 0xFF, 0xFF); // edit background
inline constexpr gfx::SysColor Highlight = gfx::sysColor(0x00, 0x78, 0xD7);
inline constexpr gfx::SysColor HighlightText = gfx::sysColor(0xFF, 0xFF, 0xFF);
inline constexpr gfx::SysColor Shadow = gfx::sysColor(0xA0, 0xA0, 0xA0);
inline constexpr gfx::SysColor Frame = gfx::sysColor(0x7A, 0x7A, 0x7A);
inline constexpr gfx::SysColor Pressed = gfx::sysColor(0xCC, 0xE4, 0xF7);
inline constexpr gfx::SysColor Hot = gfx::sysColor(0xE5, 0xF1, 0xFB);
inline constexpr gfx::SysColor Accent = gfx::sysColor(0x00, 0x78, 0xD7);
inline constexpr gfx::SysColor Progress = gfx::sysColor(0x06, 0xB0, 0x25);
inline constexpr gfx::SysColor InfoBack = gfx::sysColor(0xFF, 0xFF, 0xE1); // tooltip
inline constexpr gfx::SysColor Error = gfx::sysColor(0xE8, 0x11, 0x23);
} // namespace syscolor

} // namespace lumetta::ui
