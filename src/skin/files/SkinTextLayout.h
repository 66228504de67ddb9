// Everything a skinned text needs before it is drawn: the layout rectangle of section/key moved
// by an offset, the text with its line markers replaced, and the font and colour the entry
// names. Measuring and drawing belong to the graphics layer, which takes a SkinTextLayout and
// the caller's text-format flags (see CentreVertically for the one piece of arithmetic it
// shares with the skin).
#pragma once

#include "skin/files/SkinRect.h"
#include "skin/files/XmlDoc.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace lumetta {

struct SkinFont {
    std::u16string face;
    int32_t height = 0;
    int32_t weight = 400;
    bool operator==(const SkinFont&) const = default;
};

struct SkinTextLayout {
    SkinRect rect;                 // the entry's rectangle moved by (dx, dy)
    std::u16string text;           // "\r\n" markers already turned into line breaks
    std::optional<SkinFont> font;  // only when the entry has both FONT and SIZE
    std::optional<uint32_t> color; // COLOR, 0x00BBGGRR, when present
    uint32_t format = 0;           // the caller's text-format flags, passed through
};

// Replaces every four-character marker `\r\n` (backslash, r, backslash, n) by CR LF.
std::u16string ReplaceLineMarkers(std::u16string_view text);

// Layout of `text` in the rectangle of section/key of the layout document.
SkinTextLayout PrepareSkinText(XmlDoc& layout, std::u16string_view text,
                               std::u16string_view section, std::u16string_view key, int32_t dx,
                               int32_t dy, uint32_t format);

// The same with the text of section/key from the string document.
SkinTextLayout PrepareSkinString(XmlDoc& layout, XmlDoc& strings, std::u16string_view section,
                                 std::u16string_view key, int32_t dx, int32_t dy, uint32_t format);

// For vertical centring or word break: shrinks the rectangle at top and bottom by half of
// (rectangle height - measured text height), rounded toward zero, so that a text of several
// lines sits in the middle as a block.
SkinRect CentreVertically(SkinRect rect, int32_t textHeight);

} // namespace lumetta
