// Renders one skin from the art sources into its output folder: the pictures of every window
// in every look, the masks, the progress bar's pieces and the layout document, plus a
// manifest that tells the build what was made. Nothing is written when any problem is found.
#pragma once

#include <cstdint>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

namespace skinforge {

struct ForgeOptions {
    std::filesystem::path artDir;
    std::filesystem::path skinFile; // relative to artDir unless absolute
    std::filesystem::path fontsDir;
    std::filesystem::path outDir;
    std::filesystem::path previewDir; // PNG renderings of every window when not empty
    double scale = 0;                 // above 0: replaces the description's scale
};

struct ForgeResult {
    std::vector<std::string> problems;
    // Output name ("JPG:155" or a relative path) -> the file's bytes.
    std::map<std::string, std::vector<std::uint8_t>> outputs;
    bool ok() const { return problems.empty(); }
};

// The file an output is stored as in the output folder: "JPG:155" -> "JPG_155.jpg".
std::string outputFileName(const std::string& output);

// Renders everything in memory; writes nothing.
ForgeResult render(const ForgeOptions& options);

// render(), then writes the outputs (each file only when its bytes changed, so the build sees
// no change when there is none), the manifest and, when asked, the previews.
ForgeResult forge(const ForgeOptions& options);

} // namespace skinforge
