#pragma once

#include <string>
#include <vector>

namespace lumetta {

// Exit codes of the updater.
inline constexpr int UPDATER_EXIT_OK = 0;          // silent update done, or window closed
inline constexpr int UPDATER_EXIT_FAILED = 1;      // silent update failed
inline constexpr int UPDATER_EXIT_NO_KEYBOARD = 2; // silent, and no keyboard when it opened
inline constexpr int UPDATER_EXIT_NO_IMAGE = 3;    // silent, and no usable image or information

struct UpdaterOptions {
    bool Silent = false;
    bool AutoStart = false;
    bool Force = false;
    int ForcedImage = -1;   // -1, or 1 to 9 from "bin:"
    std::string CallerPath; // the argument after "true", as given
    bool helpRequested = false;
    bool operator==(const UpdaterOptions&) const = default;
};

// The whole argument vector, program first. Every argument is compared in lower case:
// "-silent", "-force" and "true" must be the whole argument, "bin:" may stand anywhere in it
// and the number after it counts when it lies from 1 to 9. "true" also makes the next argument
// the caller's path (kept as given: paths here are case-sensitive), which is then examined as an
// option too. Help is requested when "/?" or "/help" stands anywhere in an argument. Neither the
// program's own path nor the caller's path is searched for them: paths here are written with
// "/", and a folder such as "/opt/helpers" would otherwise ask for help at every start.
UpdaterOptions parseUpdaterCommandLine(const std::vector<std::string>& argv);

// The lines of the help, in order.
std::vector<std::string> updaterHelpLines();
std::string updaterHelpText();

} // namespace lumetta
