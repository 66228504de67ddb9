#pragma once

#include "platform/ui/Dialog.h"
#include "skin/files/XmlDoc.h"
#include "skin/widgets/CBitmapBtn.h"

namespace lumetta {

// The updater's result window. Its picture carries the message of its kind: 1 success,
// 2 failure, 3 refused (the firmware is not older, or the bootloader was not reached). Centred
// on its parent, shaped by its mask, dragged by its body, closed by either of its buttons.
class CWarning : public ui::Dialog {
public:
    static constexpr int KindSuccess = 1;
    static constexpr int KindFailure = 2;
    static constexpr int KindRefused = 3;

    explicit CWarning(int kind);

    int kind() const { return kind_; }
    CBitmapBtn* okButton() { return ok_; }
    CBitmapBtn* closeButton() { return close_; }

protected:
    bool onInitDialog() override;
    void paint(gfx::Painter& painter) override;
    void onCommand(int id, int code, ui::WindowHandle control) override;
    void onButtonDown(ui::MouseButton button, gfx::Point p, unsigned keys) override;

private:
    CBitmapBtn* makeButton(std::u16string_view key);

    int kind_;
    XmlDoc layout_;
    gfx::Surface background_, over_, disabled_;
    CBitmapBtn* ok_ = nullptr;
    CBitmapBtn* close_ = nullptr;
};

} // namespace lumetta
