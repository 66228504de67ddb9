#pragma once

#include <cstdlib>
#include <filesystem>
#include <string>

namespace lumetta::hid::test {

// A fresh folder under the temporary directory, removed with everything in it.
class TempRoot {
public:
    TempRoot() {
        std::string pattern = (std::filesystem::temp_directory_path() / "hidtest-XXXXXX").string();
        path_ = ::mkdtemp(pattern.data());
    }
    ~TempRoot() {
        std::error_code ignored;
        std::filesystem::remove_all(path_, ignored);
    }
    TempRoot(const TempRoot&) = delete;
    TempRoot& operator=(const TempRoot&) = delete;

    const std::filesystem::path& path() const { return path_; }
    std::filesystem::path sys() const { return path_ / "sys"; }
    std::filesystem::path dev() const { return path_ / "dev"; }

private:
    std::filesystem::path path_;
};

} // namespace lumetta::hid::test
