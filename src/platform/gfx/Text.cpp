#include "platform/gfx/Text.h"
#include "platform/gfx/TextEngine.h"

namespace lumetta::gfx {

TextExtent measureText(const Font& font, std::string_view text, const Rect& rect,
                       TextFormat flags) {
    return detail::TextEngine::instance().measure(font.data(), text, rect.width(), rect.height(),
                                                  flags);
}

std::vector<int> caretOffsets(const Font& font, std::string_view text) {
    return detail::TextEngine::instance().caretOffsets(font.data(), text);
}

} // namespace lumetta::gfx
