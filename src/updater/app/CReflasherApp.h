#pragma once

#include <filesystem>
#include <string>
#include <vector>

namespace lumetta {

// The updater program: one copy at a time, the help on standard output, the window (or, with
// "-silent", the same flow on a display nobody sees) and the process exit code.
class CReflasherApp {
public:
    // The name of the single-instance lock.
    static constexpr const char* kInstanceName = "Lumetta_Reflasher";

    // argv as main() received it; programPath is the program's own file (its package).
    int Run(const std::vector<std::string>& argv, const std::filesystem::path& programPath);
};

} // namespace lumetta
