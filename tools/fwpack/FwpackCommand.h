#pragma once

#include <ostream>
#include <string>
#include <vector>

namespace lumetta::fwpack {

// The whole program behind its main(): arguments without the program name. Writes results to
// out and one-line errors ("fwpack: ...") to err; returns the exit code: 0 done, 1 failed,
// 2 wrong use.
int runFwpack(const std::vector<std::string>& arguments, std::ostream& out, std::ostream& err);

std::string usageText();

} // namespace lumetta::fwpack
