#include "skin/text/SkinText.h"

#include "platform/gfx/Text.h"
#include "skin/files/SkinStore.h"
#include "skin/files/Utf16Text.h"

namespace lumetta {

using gfx::TextFormat;

gfx::Rect DrawSkinTextLayout(gfx::Painter& painter, const SkinTextLayout& layout) {
    gfx::PainterSave saved(painter); // font and colour come back afterwards
    if (layout.font) {
        painter.setFont(gfx::Font::create(Utf16ToUtf8(layout.font->face), layout.font->height,
                                          layout.font->weight));
    }
    if (layout.color) {
        painter.setTextColor(*layout.color);
    }
    auto flags = TextFormat(layout.format) & ~TextFormat::CalcRect;
    std::string text = Utf16ToUtf8(layout.text);
    SkinRect rect = layout.rect;
    if (gfx::has(flags, TextFormat::VCenter) || gfx::has(flags, TextFormat::WordBreak)) {
        gfx::Rect box{rect.left, rect.top, rect.right, rect.bottom};
        int height = gfx::measureText(painter.font(), text, box, flags).height;
        rect = CentreVertically(rect, height);
    }
    gfx::Rect box{rect.left, rect.top, rect.right, rect.bottom};
    painter.drawText(text, box, flags);
    return box;
}

void DrawSkinText(gfx::Painter& painter, XmlDoc& layout, std::u16string_view text,
                  std::u16string_view section, std::u16string_view key, int32_t dx, int32_t dy,
                  TextFormat format) {
    DrawSkinTextLayout(painter, PrepareSkinText(layout, text, section, key, dx, dy,
                                                static_cast<uint32_t>(format)));
}

void DrawSkinString(gfx::Painter& painter, XmlDoc& layout, XmlDoc& strings,
                    std::u16string_view section, std::u16string_view key, int32_t dx, int32_t dy,
                    TextFormat format) {
    DrawSkinTextLayout(painter, PrepareSkinString(layout, strings, section, key, dx, dy,
                                                  static_cast<uint32_t>(format)));
}

void DrawSkinText(gfx::Painter& painter, std::u16string_view text, std::u16string_view section,
                  std::u16string_view key, int32_t dx, int32_t dy, TextFormat format) {
    DrawSkinText(painter, SkinStore::Process().Layout(), text, section, key, dx, dy, format);
}

void DrawSkinString(gfx::Painter& painter, std::u16string_view section, std::u16string_view key,
                    int32_t dx, int32_t dy, TextFormat format) {
    SkinStore& store = SkinStore::Process();
    DrawSkinString(painter, store.Layout(), store.Strings(), section, key, dx, dy, format);
}

} // namespace lumetta
