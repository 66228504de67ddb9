#pragma once

#include <filesystem>
#include <string>

namespace lumetta {

// The program's version text: SW_VERSION in section INFO of "Skins.xml" in the program folder
// (or the given folder), read anew at every call; empty when the file or the entry is missing.
std::u16string readSoftwareVersion();
std::u16string readSoftwareVersion(const std::filesystem::path& programFolder);

} // namespace lumetta
