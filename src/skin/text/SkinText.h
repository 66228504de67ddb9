// Drawing a text where the layout file puts it: the rectangle of section/key moved by (dx, dy),
// in the entry's FONT/SIZE/WEIGHT and COLOR when it names them, else in the painter's own font
// and colour. With vertical centring or word break the measured text is centred as a block.
#pragma once

#include "platform/gfx/Painter.h"
#include "platform/gfx/TextFormat.h"
#include "skin/files/SkinTextLayout.h"
#include "skin/files/XmlDoc.h"

#include <cstdint>
#include <string_view>

namespace lumetta {

// With the process's skin documents.
void DrawSkinText(gfx::Painter& painter, std::u16string_view text, std::u16string_view section,
                  std::u16string_view key, int32_t dx, int32_t dy, gfx::TextFormat format);
void DrawSkinString(gfx::Painter& painter, std::u16string_view section, std::u16string_view key,
                    int32_t dx, int32_t dy, gfx::TextFormat format);

// With documents given, for dialogs that bring their own layout and for tests.
void DrawSkinText(gfx::Painter& painter, XmlDoc& layout, std::u16string_view text,
                  std::u16string_view section, std::u16string_view key, int32_t dx, int32_t dy,
                  gfx::TextFormat format);
void DrawSkinString(gfx::Painter& painter, XmlDoc& layout, XmlDoc& strings,
                    std::u16string_view section, std::u16string_view key, int32_t dx, int32_t dy,
                    gfx::TextFormat format);

// Draws an already prepared layout; returns the rectangle the text was drawn in.
gfx::Rect DrawSkinTextLayout(gfx::Painter& painter, const SkinTextLayout& layout);

} // namespace lumetta
