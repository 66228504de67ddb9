#pragma once

#include <string_view>

namespace lumetta::os {

// The debugger output of a desktop program: standard error, one write per call so that lines of
// several threads do not interleave. The text is written as given.
void debugOutput(std::string_view text);

} // namespace lumetta::os
