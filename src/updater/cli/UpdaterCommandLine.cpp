#include "updater/cli/UpdaterCommandLine.h"

#include "platform/os/AsciiCase.h"

#include <algorithm>
#include <cstdint>
#include <string_view>

namespace lumetta {

namespace {

std::string lower(std::string_view text) {
    return os::asciiLower(text);
}

bool asksForHelp(std::string_view word) {
    const std::string text = lower(word);
    return text.find("/?") != std::string::npos || text.find("/help") != std::string::npos;
}

// A C library integer reading: blanks, an optional sign, then digits; 0 without digits. Values
// beyond the int range saturate, which keeps them out of 1 to 9.
long readNumber(std::string_view text) {
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
    return static_cast<long>(negative ? -value : value);
}

} // namespace

UpdaterOptions parseUpdaterCommandLine(const std::vector<std::string>& argv) {
    UpdaterOptions options;
    if (argv.size() < 2) {
        return options;
    }
    std::size_t callerIndex = 0; // 0: none (the program itself is never a caller path)
    for (std::size_t i = 1; i < argv.size(); ++i) {
        const std::string word = lower(argv[i]);
        if (const auto bin = word.find("bin:"); bin != std::string::npos) {
            const long image = readNumber(std::string_view(word).substr(bin + 4));
            if (image >= 1 && image <= 9) {
                options.ForcedImage = static_cast<int>(image);
            }
        }
        if (word == "-silent") {
            options.Silent = true;
            options.AutoStart = true;
        } else if (word == "-force") {
            options.Force = true;
        } else if (word == "true") {
            options.AutoStart = true;
            if (i + 1 < argv.size()) {
                options.CallerPath = argv[i + 1];
                callerIndex = i + 1;
            }
        }
    }
    for (std::size_t i = 1; i < argv.size(); ++i) {
        if (i != callerIndex && asksForHelp(argv[i])) {
            options.helpRequested = true;
        }
    }
    return options;
}

std::vector<std::string> updaterHelpLines() {
    return {
        "\n\nMossgate Reflasher V1.00\n",
        "/?  \t\t:help Info\n",
        "bin:  \t\t:force to update the bin(layout),\n\t\t but still check the version. ex: "
        "bin:2\n",
        "-silent  \t:don't show ui and auto to update fw\n",
        "-force  \t:force to update fw (Ignore Ver)\n",
        "\n\nPlease press enter key to end\n",
    };
}

std::string updaterHelpText() {
    std::string text;
    for (const auto& line : updaterHelpLines()) {
        text += line;
    }
    return text;
}

} // namespace lumetta
