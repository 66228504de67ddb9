#include "platform/gfx/PrivateFonts.h"
#include "platform/gfx/TextEngine.h"

namespace lumetta::gfx {

bool addPrivateFont(const std::filesystem::path& file) {
    return detail::TextEngine::instance().addPrivateFont(file);
}

bool removePrivateFont(const std::filesystem::path& file) {
    return detail::TextEngine::instance().removePrivateFont(file);
}

PrivateFont::PrivateFont(std::filesystem::path file)
    : file_(std::move(file)), ok_(addPrivateFont(file_)) {}

PrivateFont::~PrivateFont() {
    if (ok_) {
        removePrivateFont(file_);
    }
}

} // namespace lumetta::gfx
