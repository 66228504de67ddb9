#pragma once

namespace lumetta::display {

// Key codes are the platform's virtual-key numbers, so that code written against them (Enter,
// Escape, Page Up, the digits and letters) carries over unchanged. Letters and digits use their
// upper-case ASCII values. A backend translates its own key symbols into these.
namespace key {
inline constexpr int Back = 0x08;
inline constexpr int Tab = 0x09;
inline constexpr int Return = 0x0D;
inline constexpr int Shift = 0x10;
inline constexpr int Control = 0x11;
inline constexpr int Alt = 0x12;
inline constexpr int Escape = 0x1B;
inline constexpr int Space = 0x20;
inline constexpr int Prior = 0x21; // Page Up
inline constexpr int Next = 0x22;  // Page Down
inline constexpr int End = 0x23;
inline constexpr int Home = 0x24;
inline constexpr int Left = 0x25;
inline constexpr int Up = 0x26;
inline constexpr int Right = 0x27;
inline constexpr int Down = 0x28;
inline constexpr int Insert = 0x2D;
inline constexpr int Delete = 0x2E;
inline constexpr int Digit0 = 0x30;
inline constexpr int LetterA = 0x41;
inline constexpr int F1 = 0x70; // the help key
} // namespace key

// Modifier keys held while an event happened.
namespace modifier {
inline constexpr unsigned Shift = 0x1;
inline constexpr unsigned Control = 0x2;
inline constexpr unsigned Alt = 0x4;
} // namespace modifier

} // namespace lumetta::display
