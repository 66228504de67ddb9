#pragma once

#include "platform/display/DisplayBackend.h"

#include <memory>
#include <string>
#include <string_view>

namespace lumetta::display {

// The display the environment asks for: LUMETTA_DISPLAY names a backend ("sdl", the default, or
// "headless"). A backend that is not available here, or an unknown name, gives the headless
// display with one line on standard error saying so, so a program always has a display.
std::unique_ptr<DisplayBackend> openDisplay();

// The same for a given name; `note` receives the line that openDisplay() prints (empty when
// the named backend was opened).
std::unique_ptr<DisplayBackend> openDisplay(std::string_view name, std::string& note);

} // namespace lumetta::display
