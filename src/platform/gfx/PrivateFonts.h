#pragma once

#include <filesystem>

namespace lumetta::gfx {

// Font files made available to this process only, by the faces they contain. Registrations
// are counted per path, so adding a file twice needs two removals. Fonts created before a
// change keep their face; layouts made afterwards see the new set.
bool addPrivateFont(const std::filesystem::path& file);
bool removePrivateFont(const std::filesystem::path& file);

// Holds one registration for its lifetime.
class PrivateFont {
public:
    explicit PrivateFont(std::filesystem::path file);
    ~PrivateFont();
    PrivateFont(const PrivateFont&) = delete;
    PrivateFont& operator=(const PrivateFont&) = delete;

    bool ok() const { return ok_; }

private:
    std::filesystem::path file_;
    bool ok_ = false;
};

} // namespace lumetta::gfx
