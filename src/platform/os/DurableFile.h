#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <span>
#include <string>
#include <system_error>
#include <vector>

namespace lumetta::os {

struct FileContent {
    enum class Status { Ok, Missing, TooLarge, Failed };
    Status status = Status::Failed;
    std::vector<std::uint8_t> bytes;
    std::error_code error;
};

// Reads a whole file, refusing one larger than limit bytes before reading any of it.
FileContent readFileLimited(const std::filesystem::path& path, std::size_t limit);

struct FileReplacement {
    std::filesystem::path path;
    std::span<const std::uint8_t> bytes;
};

// Replaces the file at path with bytes so that a crash or power loss at any moment leaves either
// the old or the new content, never a mix: the bytes go into a fresh file in the same folder,
// which is flushed to disk and then renamed over the old one, and the folder is flushed last.
// On failure the old file is untouched and nothing is left behind; a temporary file that a
// killed writer left is removed by the next replacement of the same file. A new file gets the usual
// permissions (0666 less the umask); a replaced one keeps its permissions. A symbolic link is
// followed, so the file it names is replaced.
std::error_code replaceFileDurably(const std::filesystem::path& path,
                                   std::span<const std::uint8_t> bytes);

// The same for several files, sharing the folder flushes: every new content is written and
// flushed before the first rename, so a failure while writing replaces none of them. Each file
// on its own is always either old or new.
std::error_code replaceFilesDurably(std::span<const FileReplacement> files);

// Whether new contents may start as unnamed files (on by default where the file system offers
// them). Tests turn it off to exercise the named temporary files used everywhere else.
void setUnnamedTemporaryFiles(bool allowed);

} // namespace lumetta::os
