#pragma once

#include <sys/types.h>

#include <filesystem>
#include <optional>
#include <string>
#include <system_error>
#include <vector>

namespace lumetta::os {

struct LaunchOptions {
    // Look the program up in $PATH when its name has no slash.
    bool searchPath = false;
    // Start it in a session of its own, so that it outlives this process and its terminal.
    bool newSession = true;
    // Folder to start in; empty keeps this process's folder.
    std::filesystem::path workingFolder;
};

struct LaunchResult {
    pid_t pid = -1;
    std::error_code error;
    explicit operator bool() const { return pid > 0; }
};

// Starts program with the given arguments (argv[0] is the program itself and is not part of
// arguments) directly, without a shell, so no argument is ever interpreted. The child is not
// waited for: a background thread collects its exit status so it never lingers as a zombie.
LaunchResult launchDetached(const std::string& program, const std::vector<std::string>& arguments,
                            const LaunchOptions& options = {});

// The same, but the caller owns the child and must collect it with waitForExit.
LaunchResult launchProcess(const std::string& program, const std::vector<std::string>& arguments,
                           const LaunchOptions& options = {});

// Waits for a child started by launchProcess; returns its exit status as waitpid reports it.
std::optional<int> waitForExit(pid_t pid);

} // namespace lumetta::os
