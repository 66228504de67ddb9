#pragma once

#include "platform/ui/Messages.h"

namespace lumetta {

// What skinned buttons tell their parent. Command ids travel in the low word of a command's
// wParam, notification codes in its high word.
inline constexpr int SKIN_CMD_TOGGLED = 23; // a check-mode button flipped its checked state
inline constexpr int SKIN_CMD_REPEAT = 122; // one auto-repeat tick while the button is held
inline constexpr int SKIN_NOTIFY_ICON = 2;  // a list button's icon was pressed
inline constexpr int SKIN_NOTIFY_RCLICK = 0xFF;
inline constexpr int SKIN_NOTIFY_MCLICK = 0xFFFF;

inline constexpr ui::MessageId WM_BUTTON_LEFT_DOWN = 1252;
inline constexpr ui::MessageId WM_BUTTON_RIGHT = 1253;

// The auto-repeat timer of a button.
inline constexpr ui::TimerId SKIN_REPEAT_TIMER = 256;

} // namespace lumetta
