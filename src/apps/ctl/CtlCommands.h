#pragma once

#include "apps/ctl/CtlOptions.h"

#include <filesystem>
#include <iosfwd>

namespace lumetta::ctl {

// Carries out a parsed command line. `programFolder` holds libHidlink.so and the skin's key
// maps. Messages go to `err`, results to `out`.
ExitCode runCtl(const CtlOptions& options, const std::filesystem::path& programFolder,
                std::ostream& out, std::ostream& err);

} // namespace lumetta::ctl
