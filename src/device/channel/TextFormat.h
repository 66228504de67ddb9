#pragma once

#include <string>

namespace lumetta {

// printf-style formatting into a string, for the channels' fixed log and trace texts.
std::string formatText(const char* format, ...) __attribute__((format(printf, 1, 2)));

} // namespace lumetta
