#include "platform/gfx/Font.h"
#include "platform/gfx/TextEngine.h"

namespace lumetta::gfx {

Font::Font() = default;

const detail::FontData& Font::data() const {
    if (data_ == nullptr) {
        data_ = detail::TextEngine::instance().font(FontSpec{});
    }
    return *data_;
}

Font Font::create(const FontSpec& desc) {
    return Font(detail::TextEngine::instance().font(desc));
}

const FontSpec& Font::desc() const {
    return data().desc;
}
bool Font::faceFound() const {
    return data().found;
}
const std::string& Font::family() const {
    return data().family;
}
int Font::cellHeight() const {
    return data().cellHeight;
}
int Font::ascent() const {
    return data().ascent;
}
int Font::descent() const {
    return data().descent;
}
std::uint64_t Font::id() const {
    return data().id;
}

} // namespace lumetta::gfx
