#include "platform/gfx/Font.h"
#include "platform/gfx/TextEngine.h"

namespace lumetta::gfx {

Font::Font() : data_(detail::TextEngine::instance().font(FontSpec{})) {}

Font Font::create(const FontSpec& spec) {
    return Font(detail::TextEngine::instance().font(spec));
}

const FontSpec& Font::spec() const {
    return data_->spec;
}
bool Font::faceFound() const {
    return data_->found;
}
const std::string& Font::family() const {
    return data_->family;
}
int Font::cellHeight() const {
    return data_->cellHeight;
}
int Font::ascent() const {
    return data_->ascent;
}
int Font::descent() const {
    return data_->descent;
}
std::uint64_t Font::id() const {
    return data_->id;
}

} // namespace lumetta::gfx
