#pragma once

#include "platform/core/Message.h"

namespace lumetta::flash {

// Either updater channel to the dialog: wParam 0, lParam 1 when a keyboard is ready on that
// channel (posted once it has been there for the settle time), 0 when it is gone.
inline constexpr core::MessageId WM_CHANNEL_STATE = 21505;
// The dialog to itself: wParam the updater's exit code, lParam 0. Ends the dialog.
inline constexpr core::MessageId WM_UPDATER_EXIT = 17408;
// The flashing thread to the dialog: wParam the progress position, 0 to 100.
inline constexpr core::MessageId WM_FLASH_PROGRESS = 17409;
// The flashing thread to the dialog, after its last command: wParam 1 when the update
// succeeded, 0 when it failed; lParam 1 when the update, OK and cancel buttons may be enabled.
inline constexpr core::MessageId WM_FLASH_FINISHED = 17410;

// Timers of the dialog window. The flashing thread starts the first two (10 ms, one shot)
// outside silent mode; the dialog shows the result window of kind 1 or 2 when they fire.
inline constexpr core::TimerId TIMER_UPDATE_SUCCEEDED = 4113;
inline constexpr core::TimerId TIMER_UPDATE_FAILED = 4114;
// Ends the wait for the bootloader after the keyboard was asked to restart into it.
inline constexpr core::TimerId TIMER_BOOTLOADER_WAIT = 4115;

} // namespace lumetta::flash
