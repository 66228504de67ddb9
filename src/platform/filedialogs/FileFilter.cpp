#include "platform/filedialogs/FileFilter.h"

#include <cctype>

namespace lumetta::filedialogs {

namespace {

std::vector<std::string_view> split(std::string_view text, char separator) {
    std::vector<std::string_view> out;
    std::size_t start = 0;
    while (start <= text.size()) {
        std::size_t end = text.find(separator, start);
        if (end == std::string_view::npos) {
            end = text.size();
        }
        out.push_back(text.substr(start, end - start));
        start = end + 1;
    }
    return out;
}

std::string_view trimmed(std::string_view s) {
    while (!s.empty() && std::isspace(static_cast<unsigned char>(s.front())) != 0) {
        s.remove_prefix(1);
    }
    while (!s.empty() && std::isspace(static_cast<unsigned char>(s.back())) != 0) {
        s.remove_suffix(1);
    }
    return s;
}

char folded(char c) {
    return char(std::tolower(static_cast<unsigned char>(c)));
}

} // namespace

std::vector<FileFilter> parseFilterString(std::string_view text) {
    std::vector<FileFilter> out;
    std::vector<std::string_view> parts = split(text, '|');
    for (std::size_t i = 0; i + 1 < parts.size(); i += 2) {
        // An empty part is the end, as the double separator has always been.
        if (parts[i].empty() || parts[i + 1].empty()) {
            break;
        }
        FileFilter filter{std::string(parts[i]), {}};
        for (std::string_view p : split(parts[i + 1], ';')) {
            if (!trimmed(p).empty()) {
                filter.patterns.emplace_back(trimmed(p));
            }
        }
        if (!filter.name.empty() && !filter.patterns.empty()) {
            out.push_back(std::move(filter));
        }
    }
    return out;
}

bool matchesPattern(std::string_view name, std::string_view pattern) {
    // "*.*" has always meant every file, with or without a dot.
    if (pattern == "*.*" || pattern == "*") {
        return true;
    }
    std::size_t n = 0;
    std::size_t p = 0;
    std::size_t starP = std::string_view::npos;
    std::size_t starN = 0;
    while (n < name.size()) {
        if (p < pattern.size() && (pattern[p] == '?' || folded(pattern[p]) == folded(name[n]))) {
            ++n;
            ++p;
        } else if (p < pattern.size() && pattern[p] == '*') {
            starP = p++;
            starN = n;
        } else if (starP != std::string_view::npos) {
            p = starP + 1;
            n = ++starN;
        } else {
            return false;
        }
    }
    while (p < pattern.size() && pattern[p] == '*') {
        ++p;
    }
    return p == pattern.size();
}

std::string caseInsensitiveGlob(std::string_view pattern) {
    std::string out;
    bool inBrackets = false;
    for (char c : pattern) {
        auto u = static_cast<unsigned char>(c);
        if (c == '[') {
            inBrackets = true;
        } else if (c == ']') {
            inBrackets = false;
        }
        if (inBrackets || std::isalpha(u) == 0 || (u & 0x80) != 0) {
            out += c;
            continue;
        }
        out += '[';
        out += char(std::toupper(u));
        out += char(std::tolower(u));
        out += ']';
    }
    return out;
}

std::filesystem::path withDefaultExtension(const std::filesystem::path& path,
                                           std::string_view extension) {
    while (!extension.empty() && extension.front() == '.') {
        extension.remove_prefix(1);
    }
    std::string name = path.filename().string();
    if (extension.empty() || name.empty() || path.has_extension() || name.back() == '.') {
        return path;
    }
    std::filesystem::path out = path;
    out += "." + std::string(extension);
    return out;
}

} // namespace lumetta::filedialogs
