#pragma once

#include <cstdint>

namespace lumetta::core {

using MessageId = std::uint32_t;
using WParam = std::uintptr_t;
using LParam = std::intptr_t;
using LResult = std::intptr_t;
using TimerId = std::uintptr_t;

// Names a message target. Handles are never reused within a process, so a handle kept past its
// window's life simply stops reaching anything.
class WindowHandle {
public:
    constexpr WindowHandle() = default;
    constexpr explicit WindowHandle(std::uint64_t value) : value_(value) {}

    constexpr std::uint64_t value() const { return value_; }
    constexpr explicit operator bool() const { return value_ != 0; }
    friend constexpr bool operator==(WindowHandle, WindowHandle) = default;

private:
    std::uint64_t value_ = 0;
};

struct Message {
    WindowHandle target;
    MessageId id = 0;
    WParam wParam = 0;
    LParam lParam = 0;
};

// Platform message ids lie below FirstUser; the program's own numbers start there. The core
// itself uses only Timer; the user-interface layer defines its messages in the rest of the range.
namespace msg {
inline constexpr MessageId Null = 0x0000;
inline constexpr MessageId Timer = 0x0113; // wParam: timer id
inline constexpr MessageId FirstUser = 0x0400;
} // namespace msg

} // namespace lumetta::core
