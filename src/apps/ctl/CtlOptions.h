#pragma once

#include <filesystem>
#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace lumetta::ctl {

enum class ExitCode : int {
    DONE = 0,
    KEYBOARD_ERROR = 1,
    USAGE_ERROR = 2,
    NO_KEYBOARD = 3,
    CONFIGURATOR_RUNNING = 4,
    // Ctrl-C or a termination request: the keyboard was put back, nothing was written.
    INTERRUPTED = 130,
};

// What the command line asks for.
struct CtlOptions {
    enum class Command { LIST, INFO, READ, WRITE, SWITCH, HELP, VERSION, INVALID };
    Command command = Command::INVALID;
    std::optional<std::filesystem::path> dir;
    bool force = false;
    // Profiles as users count them, 1 to 6.
    std::optional<int> profile;
    // Program log and debugger output to standard error.
    bool debug = false;
    std::string error;
};

// Parses the arguments after the program name.
CtlOptions parseCtlOptions(std::span<const std::string_view> args);

std::string ctlUsage();

} // namespace lumetta::ctl
