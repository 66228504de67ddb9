#pragma once

#include <functional>

namespace lumetta::ui {
class Window;
}

namespace lumetta::filedialogs {

// Runs work on a thread of its own while this thread goes on handling its messages in a nested
// loop, with owner's top-level window disabled, as a modal dialog does; returns once work has
// finished. For choosers that block: other programs and the desktop portal.
void runBeside(ui::Window* owner, const std::function<void()>& work);

} // namespace lumetta::filedialogs
