#pragma once

#include "platform/core/Message.h"

namespace lumetta {

// The HID layer's notice to a channel window: wParam 1, lParam points to a HidlinkNotice that is
// valid only while the message is handled.
inline constexpr core::MessageId WM_HID_MONITOR = 1282;
// Channel to owner: wParam the channel's HID instance index, lParam 1 arrived, 0 gone.
inline constexpr core::MessageId WM_DEVICE_PLUG = 1277;
// Command channel to owner: wParam byte 4 of the keyboard's event report (or 0), lParam the
// channel's Connected value.
inline constexpr core::MessageId WM_DEVICE_EVENT = 1278;

} // namespace lumetta
