#pragma once

#include <filesystem>

namespace lumetta::os {

// The user's home: $HOME when it is an absolute path, else the password database's entry;
// empty when neither is known.
std::filesystem::path homeFolder();

// $XDG_CONFIG_HOME when it is an absolute path, else home + "/.config"; empty without a home.
std::filesystem::path configHome();

// XDG_DESKTOP_DIR from the user's "user-dirs.dirs" when it names an existing folder, else
// ~/Desktop when that is a folder, else the home folder.
std::filesystem::path desktopFolder();

// Where per-session lock files and sockets go: $XDG_RUNTIME_DIR when it is an absolute path,
// else a folder "lumetta-<uid>" below /tmp that only this user may enter (created on demand;
// refused when it exists with another owner, other permissions or as a link). Empty when no
// safe folder can be had.
std::filesystem::path runtimeFolder();

// Creates folder with mode 0700 when missing and checks that it is a real folder owned by this
// user that nobody else may use.
bool ensurePrivateFolder(const std::filesystem::path& folder);

// The folder that holds the running program file.
std::filesystem::path programFolder();

// Parses the text of a "user-dirs.dirs" file and returns the value of key (for example
// "XDG_DESKTOP_DIR") with a leading "$HOME" replaced by home; empty when the key is absent or
// its value is not an absolute path after the replacement.
std::filesystem::path userDirFromText(const std::string& text, const std::string& key,
                                      const std::filesystem::path& home);

} // namespace lumetta::os
