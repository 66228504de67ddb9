#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace lumetta {

inline constexpr int SIZE_CHOICE_AUTOMATIC = -1;
inline constexpr std::uint8_t LANGUAGE_UNSET = 255;

// What the configurator's command line decides.
struct StartupOptions {
    bool debug = false;         // "debug": the debug log is written
    bool firmwareCheck = false; // "true": check the firmware at the next keyboard arrival
    int sizeChoice = SIZE_CHOICE_AUTOMATIC; // the number after "ui:"
    std::uint8_t languageCode = LANGUAGE_UNSET;
    bool operator==(const StartupOptions&) const = default;
};

// The arguments after the program name, in order; later ones override earlier ones. Each is
// compared in lower case: "true" and "debug" whole, "ui:" anywhere (the decimal number right
// after its first occurrence, 0 when there is none), then the language words. Anything else is
// ignored.
StartupOptions parseCommandLine(const std::vector<std::string>& arguments);

// The language code of a (lower-case) word, or LANGUAGE_UNSET.
std::uint8_t languageCode(const std::string& word);

} // namespace lumetta
