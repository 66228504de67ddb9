#include "skin/widgets/CBaseDlg.h"

#include "platform/display/Key.h"
#include "platform/gfx/Painter.h"
#include "platform/ui/MessageBox.h"
#include "skin/files/SkinLookup.h"
#include "skin/files/SkinStore.h"
#include "skin/files/Utf16Text.h"
#include "skin/widgets/SkinPictures.h"

#include <filesystem>

namespace lumetta {

CBaseDlg::CBaseDlg() : ui::Dialog(ui::templates::EmptyPopup) {}

bool CBaseDlg::CreateAsChild(int id, ui::Window* parent) {
    setTemplateId(id);
    return create(id, parent);
}

bool CBaseDlg::onInitDialog() {
    ui::Dialog::onInitDialog();
    LoadSkin();
    CreateControls();
    ReleaseStatePictures();
    return true;
}

void CBaseDlg::ShowMaskError() {
    ui::messageBox(this, "error", "");
}

void CBaseDlg::LoadSkin() {
    SkinStore& store = SkinStore::Process();
    const std::filesystem::path folder = store.ProgramFolder() / "Skins" / skinFolder;
    const auto file = [&](std::u16string_view key) {
        return folder / Utf16ToUtf8(SkinValue(store.Skins(), section, key));
    };
    const std::u16string maskName = SkinValue(store.Skins(), section, u"MASK");
    std::error_code ignored;
    if (!maskName.empty() && std::filesystem::is_regular_file(file(u"MASK"), ignored)) {
        gfx::Surface mask;
        LoadPictureFile(file(u"MASK"), mask);
        auto region = RegionFromMask(mask);
        if (!region || !setRegion(std::move(region))) {
            setRegion(std::nullopt);
            ShowMaskError();
        }
    }
    gfx::Size size;
    if (LoadPictureFile(file(u"NORMAL"), background, &size) == 0) {
        setRect(gfx::Rect::fromSize(0, 0, size.width, size.height));
    }
    const auto loadIfNamed = [&](std::u16string_view key, gfx::Surface& picture) {
        if (!SkinValue(store.Skins(), section, key).empty()) {
            LoadPictureFile(file(key), picture);
        }
    };
    loadIfNamed(u"OVER", over);
    loadIfNamed(u"DOWN", down);
    loadIfNamed(u"DISABLE", disabled);
    context.normal = &background;
    context.over = &over;
    context.down = &down;
    context.disabled = &disabled;
}

void CBaseDlg::ReleaseStatePictures() {
    over = {};
    down = {};
    disabled = {};
}

void CBaseDlg::paint(gfx::Painter& painter) {
    painter.copy(background, {0, 0});
    DrawSkin(painter);
}

ui::Window* CBaseDlg::WindowToMove() {
    if (templateId() == ui::templates::EmptyPopup) {
        return this;
    }
    return topLevel();
}

void CBaseDlg::onButtonDown(ui::MouseButton button, gfx::Point p, unsigned keys) {
    if (button == ui::MouseButton::Left) {
        if (ui::Window* target = WindowToMove()) {
            target->post(ui::msg::NcLButtonDown, ui::kHitCaption, ui::packPoint(clientToScreen(p)));
        }
    }
    ui::Dialog::onButtonDown(button, p, keys);
}

bool CBaseDlg::preTranslateMessage(ui::Window& target, ui::MessageId id, ui::WParam wParam,
                                   ui::LParam lParam) {
    if (id == ui::msg::KeyDown && (wParam == display::key::Return ||
                                   wParam == display::key::Escape || wParam == display::key::F1)) {
        return true;
    }
    return ui::Dialog::preTranslateMessage(target, id, wParam, lParam);
}

void CBaseDlg::onDestroy() {
    background = {};
    ui::Dialog::onDestroy();
}

} // namespace lumetta
