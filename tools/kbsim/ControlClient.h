#pragma once

#include <filesystem>
#include <string>

namespace lumetta::kbsim {

// Sends one command to a running simulator's control socket, prints the reply's data lines on
// standard output and an error on standard error. Returns the exit code: 0 ok, 1 an error
// reply or no simulator.
int runControlClient(const std::filesystem::path& socket, const std::string& command);

} // namespace lumetta::kbsim
