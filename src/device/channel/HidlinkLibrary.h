#pragma once

#include "device/channel/HidlinkApi.h"

#include <filesystem>
#include <memory>
#include <string>

namespace lumetta {

// The HID device layer loaded from its shared library. Once loaded it stays for the life of the
// process (its threads, statics and exit handlers must never lose their code); the object only
// hands out its table, which channels use while the object lives.
class HidlinkLibrary {
public:
    // The file name the programs look for beside themselves.
    static constexpr const char* FILE_NAME = "libHidlink.so";

    // Loads the library and looks up all six operations. On failure the result holds no
    // library and error() says why (a missing file, a missing operation).
    static HidlinkLibrary load(const std::filesystem::path& path);

    HidlinkLibrary(HidlinkLibrary&&) noexcept = default;
    HidlinkLibrary& operator=(HidlinkLibrary&&) noexcept = default;
    ~HidlinkLibrary() = default;

    bool loaded() const { return handle_ != nullptr; }
    const HidlinkApi& api() const { return api_; }
    const std::string& error() const { return error_; }

private:
    struct Closer {
        void operator()(void* handle) const;
    };

    HidlinkLibrary() = default;

    std::unique_ptr<void, Closer> handle_;
    HidlinkApi api_;
    std::string error_;
};

} // namespace lumetta
