#pragma once

#include "platform/gfx/Font.h"

namespace lumetta::ui {

// The font of the plain controls and the message box: the default sans-serif face, one line
// 16 pixels high.
inline gfx::Font controlFont() {
    return gfx::Font::create("", 16, 400);
}

} // namespace lumetta::ui
