#pragma once

#include "platform/gfx/Font.h"
#include "platform/gfx/Geometry.h"
#include "platform/gfx/TextFormat.h"

#include <string_view>
#include <vector>

namespace lumetta::gfx {

// All text is UTF-8 here; callers holding UTF-16 convert at their edge.

struct TextExtent {
    int width = 0;  // the widest line
    int height = 0; // all lines; 0 for an empty text
    friend bool operator==(const TextExtent&, const TextExtent&) = default;
};

// What drawing the text in rect with these flags would cover (the calculate-only form of
// Painter::drawText, usable without a surface). Layouts are cached, so measuring and then
// drawing the same text costs one layout.
TextExtent measureText(const Font& font, std::string_view text, const Rect& rect, TextFormat flags);

// Caret positions of a single line drawn from x = 0 without prefix handling: one x per code
// point boundary, starting with 0 before the first code point and ending after the last.
std::vector<int> caretOffsets(const Font& font, std::string_view text);

} // namespace lumetta::gfx
