#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace lumetta {

// Opens a web address in the user's browser by starting "xdg-open" with the address as its only
// argument (no shell is involved), without waiting for it. The address is cut at 256 characters.
// Returns false when nothing was started: an empty address, one that starts with "-" (it would be
// taken for an option), or no xdg-open.
bool openInBrowser(std::string_view address);

// The program and arguments openInBrowser starts, for tests; empty when it would start nothing.
std::vector<std::string> browserCommand(std::string_view address);

} // namespace lumetta
