#include "platform/os/XdgFolders.h"

#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <system_error>
#include <vector>

namespace lumetta::os {

namespace fs = std::filesystem;

namespace {

fs::path absoluteFromEnv(const char* name) {
    const char* value = std::getenv(name);
    if (value == nullptr || value[0] != '/') {
        return {};
    }
    return fs::path(value);
}

bool isFolder(const fs::path& path) {
    std::error_code error;
    return !path.empty() && fs::is_directory(path, error);
}

std::string trim(const std::string& text) {
    const auto first = text.find_first_not_of(" \t\r");
    if (first == std::string::npos) {
        return {};
    }
    const auto last = text.find_last_not_of(" \t\r");
    return text.substr(first, last - first + 1);
}

// The value of a shell assignment as user-dirs.dirs writes it: quoted, with backslash escapes.
std::string unquote(const std::string& value) {
    if (value.size() < 2 || value.front() != '"' || value.back() != '"') {
        return value;
    }
    std::string out;
    for (std::size_t i = 1; i + 1 < value.size(); ++i) {
        if (value[i] == '\\' && i + 2 < value.size()) {
            ++i;
        }
        out.push_back(value[i]);
    }
    return out;
}

} // namespace

bool ensurePrivateFolder(const fs::path& path) {
    if (::mkdir(path.c_str(), 0700) != 0 && errno != EEXIST) {
        return false;
    }
    struct stat info {};
    if (::lstat(path.c_str(), &info) != 0) {
        return false;
    }
    return S_ISDIR(info.st_mode) && info.st_uid == ::getuid() && (info.st_mode & 0077) == 0;
}

fs::path homeFolder() {
    fs::path home = absoluteFromEnv("HOME");
    if (!home.empty()) {
        return home;
    }
    std::vector<char> buffer(16384);
    struct passwd entry {};
    struct passwd* result = nullptr;
    if (::getpwuid_r(::getuid(), &entry, buffer.data(), buffer.size(), &result) == 0 &&
        result != nullptr && result->pw_dir != nullptr && result->pw_dir[0] == '/') {
        return fs::path(result->pw_dir);
    }
    return {};
}

fs::path configHome() {
    fs::path config = absoluteFromEnv("XDG_CONFIG_HOME");
    if (!config.empty()) {
        return config;
    }
    const fs::path home = homeFolder();
    return home.empty() ? fs::path() : home / ".config";
}

fs::path userDirFromText(const std::string& text, const std::string& key, const fs::path& home) {
    std::istringstream lines(text);
    std::string line;
    fs::path found;
    while (std::getline(lines, line)) {
        line = trim(line);
        if (line.empty() || line[0] == '#') {
            continue;
        }
        const auto equals = line.find('=');
        if (equals == std::string::npos || trim(line.substr(0, equals)) != key) {
            continue;
        }
        std::string value = unquote(trim(line.substr(equals + 1)));
        if (value.rfind("$HOME", 0) == 0) {
            if (home.empty()) {
                continue;
            }
            value = home.string() + value.substr(5);
        }
        found = value.empty() || value[0] != '/' ? fs::path() : fs::path(value);
    }
    return found;
}

fs::path desktopFolder() {
    const fs::path home = homeFolder();
    const fs::path config = configHome();
    if (!config.empty()) {
        std::ifstream file(config / "user-dirs.dirs");
        if (file) {
            std::ostringstream text;
            text << file.rdbuf();
            const fs::path desktop = userDirFromText(text.str(), "XDG_DESKTOP_DIR", home);
            if (isFolder(desktop)) {
                return desktop;
            }
        }
    }
    if (!home.empty() && isFolder(home / "Desktop")) {
        return home / "Desktop";
    }
    return home;
}

fs::path runtimeFolder() {
    fs::path runtime = absoluteFromEnv("XDG_RUNTIME_DIR");
    if (!runtime.empty() && isFolder(runtime)) {
        return runtime;
    }
    fs::path fallback = fs::path("/tmp") / ("lumetta-" + std::to_string(::getuid()));
    return ensurePrivateFolder(fallback) ? fallback : fs::path();
}

fs::path programFolder() {
    std::error_code error;
    const fs::path self = fs::read_symlink("/proc/self/exe", error);
    return error ? fs::path() : self.parent_path();
}

} // namespace lumetta::os
