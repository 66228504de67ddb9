#pragma once

#include "kbsim/KeyboardState.h"

#include <filesystem>
#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace lumetta::kbsim {

// What the program was asked to do.
struct CommandLine {
    enum class Kind {
        // Run the keyboard under a root folder.
        SERVE,
        // Send one command to a running simulator's control socket.
        CLIENT,
        HELP,
        VERSION,
        // A usage error; `error` says which.
        INVALID,
    };
    Kind kind = Kind::INVALID;
    std::filesystem::path root;
    // Only when given; an existing state file keeps its own layout.
    std::optional<Layout> layout;
    std::filesystem::path stateFile;
    std::filesystem::path logFile;
    std::filesystem::path controlSocket;
    // CLIENT: the command words joined by blanks.
    std::string command;
    std::string error;
};

// Parses the arguments after the program name.
CommandLine parseCommandLine(std::span<const std::string_view> args);

std::string usageText();

} // namespace lumetta::kbsim
