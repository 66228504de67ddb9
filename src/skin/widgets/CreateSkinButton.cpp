#include "skin/widgets/CreateSkinButton.h"

#include "platform/ui/MessageBox.h"
#include "skin/files/SkinLookup.h"
#include "skin/files/SkinStore.h"
#include "skin/widgets/SkinPictures.h"

namespace lumetta {

SkinRect CreateSkinButton(CBitmapBtn& button, std::u16string_view section, std::u16string_view key,
                          const SkinContext& context, ui::Window& parent, bool readText,
                          int textFormat, int fontSize, const std::function<void()>& maskError) {
    SkinStore& store = SkinStore::Process();
    XmlDoc& layout = context.layout ? *context.layout : store.Layout();
    SkinRect entry = ParseSkinRect(SkinValue(layout, section, key));
    const gfx::Rect rect{entry.left + context.dx, entry.top + context.dy, entry.right + context.dx,
                         entry.bottom + context.dy};
    button.Create(parent, rect, 0);
    const gfx::Rect cut = context.wholeImage ? gfx::Rect{0, 0, rect.width(), rect.height()} : rect;
    CutImage(button.imgNormal, context.normal, cut);
    CutImage(button.imgOver, context.over, cut);
    CutImage(button.imgDown, context.down, cut);
    CutImage(button.imgDisabled, context.disabled, cut);
    if (context.mask && !context.mask->empty()) {
        auto region = RegionFromMask(*context.mask);
        if (!region || !button.setRegion(std::move(region))) {
            button.setRegion(std::nullopt);
            if (maskError) {
                maskError();
            } else {
                ui::messageBox(&parent, "error", "");
            }
        }
        button.invalidate();
    }
    if (readText) {
        const std::u16string offset = SkinAttribute(layout, section, key, u"OFFSETX");
        const std::u16string face = SkinAttribute(layout, section, key, u"FONT");
        if (!face.empty()) {
            button.fontFace = face;
        }
        button.SetText(SkinValue(store.Strings(), section, key), SkinNumber(offset), true);
    }
    button.textFormat = textFormat;
    if (fontSize != -1) {
        button.fontSize = fontSize;
    } else if (readText) {
        const std::u16string size = SkinAttribute(layout, section, key, u"SIZE");
        if (!size.empty()) {
            button.fontSize = SkinNumber(size);
        }
    }
    button.invalidate();
    return entry;
}

int SelectInGroup(const ui::Window* button, std::span<CBitmapBtn* const> buttons, int* index) {
    int found = -1;
    for (std::size_t i = 0; i < buttons.size(); ++i) {
        if (buttons[i] == button) {
            found = static_cast<int>(i);
        }
    }
    if (found < 0) {
        return -1;
    }
    for (std::size_t i = 0; i < buttons.size(); ++i) {
        if (buttons[i]) {
            buttons[i]->SetChecked(static_cast<int>(i) == found);
        }
    }
    if (index) {
        *index = found;
    }
    return found;
}

} // namespace lumetta
