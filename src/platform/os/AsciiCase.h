#pragma once

#include <string>
#include <string_view>

namespace lumetta::os {

// Folds A-Z only: command-line words and encoding names are ASCII, and the locale must not
// change how they compare.
constexpr char asciiLower(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

inline std::string asciiLower(std::string_view text) {
    std::string out(text);
    for (char& c : out) {
        c = asciiLower(c);
    }
    return out;
}

} // namespace lumetta::os
