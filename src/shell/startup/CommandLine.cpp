#include "shell/startup/CommandLine.h"

#include "platform/os/AsciiCase.h"

#include <algorithm>
#include <cstdint>
#include <string_view>
#include <utility>

namespace lumetta {

namespace {

std::string lower(std::string_view text) {
    return os::asciiLower(text);
}

// Blanks, an optional sign, digits; 0 without digits, saturating at the int range.
int readNumber(std::string_view text) {
    std::size_t pos = 0;
    while (pos < text.size() && (text[pos] == ' ' || text[pos] == '\t')) {
        ++pos;
    }
    bool negative = false;
    if (pos < text.size() && (text[pos] == '+' || text[pos] == '-')) {
        negative = text[pos] == '-';
        ++pos;
    }
    std::int64_t value = 0;
    for (; pos < text.size() && text[pos] >= '0' && text[pos] <= '9'; ++pos) {
        value = std::min<std::int64_t>(value * 10 + (text[pos] - '0'), INT32_MAX + 1LL);
    }
    value = negative ? -value : value;
    return static_cast<int>(std::clamp<std::int64_t>(value, INT32_MIN, INT32_MAX));
}

constexpr std::pair<std::string_view, std::uint8_t> LANGUAGES[] = {
    {"en", 0},        {"french", 1},   {"cs", 9},        {"ct", 12},        {"german", 2},
    {"italian", 3},   {"japan", 4},    {"korean", 5},    {"portuguese", 6}, {"brazil", 7},
    {"russian", 8},   {"spanish", 10}, {"thailand", 13}, {"malaysia", 14},  {"indonesia", 15},
    {"viet_nam", 16}, {"swedish", 11},
};

} // namespace

std::uint8_t languageCode(const std::string& word) {
    for (const auto& [name, code] : LANGUAGES) {
        if (word == name) {
            return code;
        }
    }
    return LANGUAGE_UNSET;
}

StartupOptions parseCommandLine(const std::vector<std::string>& arguments) {
    StartupOptions options;
    for (const auto& argument : arguments) {
        const std::string word = lower(argument);
        if (word == "true") {
            options.firmwareCheck = true;
        } else if (word == "debug") {
            options.debug = true;
        } else if (const auto ui = word.find("ui:"); ui != std::string::npos) {
            options.sizeChoice = readNumber(std::string_view(word).substr(ui + 3));
        } else if (const std::uint8_t code = languageCode(word); code != LANGUAGE_UNSET) {
            options.languageCode = code;
        }
    }
    return options;
}

} // namespace lumetta
