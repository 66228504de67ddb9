#include "updater/app/CWarning.h"

#include "platform/gfx/Painter.h"
#include "platform/ui/MessageBox.h"
#include "skin/widgets/CreateSkinButton.h"
#include "updater/app/UpdaterLook.h"
#include "updater/resources/UpdaterResources.h"

#include <algorithm>

namespace lumetta {

CWarning::CWarning(int kind)
    : ui::Dialog(ui::templates::UpdaterResult), kind_(std::clamp(kind, 1, 3)) {}

CBitmapBtn* CWarning::makeButton(std::u16string_view key) {
    SkinContext context;
    context.normal = &background_;
    context.over = &over_;
    context.down = &over_;
    context.disabled = &disabled_;
    context.layout = &layout_;
    auto button = std::make_unique<CUpdaterBitmapBtn>();
    CreateSkinButton(*button, u"SUCCESS", key, context, *this, false, 1, -1);
    return static_cast<CBitmapBtn*>(&adopt(std::move(button)));
}

bool CWarning::onInitDialog() {
    const auto& ids = updater_res::kResultPictures[kind_ - 1];
    background_ = loadUpdaterPicture("JPG", ids[0]);
    over_ = loadUpdaterPicture("JPG", ids[1]);
    disabled_ = loadUpdaterPicture("JPG", ids[2]);
    layout_ = loadUpdaterLayout();
    for (int id : {ui::updaterItem::ResultText, ui::IdOk}) {
        if (ui::Window* control = item(id)) {
            control->hide();
        }
    }
    if (!background_.empty()) {
        resize(background_.size());
    }
    if (!setRegion(updaterMaskRegion(updater_res::kResultMask))) {
        setRegion(std::nullopt);
        ui::messageBox(this, "error", "");
    }
    close_ = makeButton(u"BUTTON_CLOSE");
    ok_ = makeButton(u"BUTTON_OK");
    centerOn();
    return true;
}

void CWarning::paint(gfx::Painter& painter) {
    painter.copy(background_, {0, 0});
}

void CWarning::onCommand(int id, int code, ui::WindowHandle control) {
    if ((ok_ && control == ok_->handle()) || (close_ && control == close_->handle())) {
        endDialog(ui::IdOk);
        return;
    }
    ui::Dialog::onCommand(id, code, control);
}

void CWarning::onButtonDown(ui::MouseButton button, gfx::Point p, unsigned keys) {
    if (button == ui::MouseButton::Left) {
        post(ui::msg::NcLButtonDown, ui::kHitCaption, ui::packPoint(clientToScreen(p)));
    }
    ui::Dialog::onButtonDown(button, p, keys);
}

} // namespace lumetta
