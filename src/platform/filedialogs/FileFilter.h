#pragma once

#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace lumetta::filedialogs {

// One entry of a dialog's type list: what the user reads, and the name patterns it lets
// through ("*.Prf"; "*.*" and "*" take every file).
struct FileFilter {
    std::string name;
    std::vector<std::string> patterns;
    friend bool operator==(const FileFilter&, const FileFilter&) = default;
};

// The platform's filter string: names and pattern lists alternating, separated by '|',
// patterns within a list by ';' ("Profile File(*.Prf)|*.Prf|All files|*.*||"). The first empty
// part ends the list; a name left without its patterns is dropped.
std::vector<FileFilter> parseFilterString(std::string_view text);

// Whether a file name (no folder) matches a pattern with '*' and '?', ignoring case as the
// platform's dialogs do.
bool matchesPattern(std::string_view name, std::string_view pattern);

// A pattern the GTK and Qt choosers match without regard to case, as the platform's dialogs do:
// letters become bracket pairs ("*.Prf" gives "*.[Pp][Rr][Ff]").
std::string caseInsensitiveGlob(std::string_view pattern);

// The name with the default extension ("Prf" or ".Prf") added when it has none, as the
// platform's dialogs do with what the user typed. A name ending in a dot keeps it and gets none.
std::filesystem::path withDefaultExtension(const std::filesystem::path& path,
                                           std::string_view extension);

} // namespace lumetta::filedialogs
