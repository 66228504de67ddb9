#pragma once

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

namespace lumetta::testing {

// A fresh folder under /tmp, removed with everything in it when the object goes.
class TempFolder {
public:
    TempFolder() {
        std::string pattern = "/tmp/lumetta-test-XXXXXX";
        if (::mkdtemp(pattern.data()) == nullptr) {
            throw std::runtime_error("mkdtemp failed");
        }
        path_ = pattern;
    }
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;
    ~TempFolder() {
        std::error_code ignored;
        std::filesystem::remove_all(path_, ignored);
    }
    const std::filesystem::path& path() const { return path_; }
    std::filesystem::path operator/(const std::string& name) const { return path_ / name; }

private:
    std::filesystem::path path_;
};

// Sets (or, with nullopt, removes) an environment variable until the object goes.
class ScopedEnv {
public:
    ScopedEnv(std::string name, std::optional<std::string> value) : name_(std::move(name)) {
        if (const char* old = std::getenv(name_.c_str())) {
            old_ = old;
        }
        set(value);
    }
    ScopedEnv(const ScopedEnv&) = delete;
    ScopedEnv& operator=(const ScopedEnv&) = delete;
    ~ScopedEnv() { set(old_); }

private:
    void set(const std::optional<std::string>& value) {
        if (value) {
            ::setenv(name_.c_str(), value->c_str(), 1);
        } else {
            ::unsetenv(name_.c_str());
        }
    }
    std::string name_;
    std::optional<std::string> old_;
};

// Points every per-user folder the programs use at a temporary home, so tests never touch the
// real user's files.
class TempHome {
public:
    TempHome()
        : home_("HOME", folder_.path().string()),
          config_("XDG_CONFIG_HOME", (folder_.path() / ".config").string()),
          runtime_("XDG_RUNTIME_DIR", (folder_.path() / "run").string()) {
        std::filesystem::create_directories(folder_.path() / "run");
    }
    const std::filesystem::path& path() const { return folder_.path(); }
    std::filesystem::path config() const { return folder_.path() / ".config"; }
    std::filesystem::path runtime() const { return folder_.path() / "run"; }

private:
    TempFolder folder_;
    ScopedEnv home_;
    ScopedEnv config_;
    ScopedEnv runtime_;
};

inline std::vector<unsigned char> readBytes(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

inline void writeBytes(const std::filesystem::path& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

} // namespace lumetta::testing
