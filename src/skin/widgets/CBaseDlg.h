#pragma once

#include "platform/gfx/Surface.h"
#include "platform/ui/Dialog.h"
#include "skin/widgets/SkinContext.h"

#include <string>

namespace lumetta {

// A borderless dialog whose surface is a skin picture, whose outline may follow a mask picture,
// that is moved by dragging its body and that no key closes. Controls are created from the
// layout between LoadSkin and ReleaseStatePictures (CreateControls), while the hover, pressed
// and disabled pictures exist.
class CBaseDlg : public ui::Dialog {
public:
    CBaseDlg();

    // A modeless child of parent made from templateId (pages use the empty child template).
    virtual bool CreateAsChild(int templateId, ui::Window* parent);
    virtual void LoadSkin();
    virtual void ReleaseStatePictures();
    // Draws the dialog's own content over the background during painting.
    virtual void DrawSkin(gfx::Painter&) {}

    // The window a press on the body moves: the dialog itself when it is a top-level skinned
    // dialog, else the outermost window it lives in.
    ui::Window* WindowToMove();

    std::u16string section = u"MAIN";
    // The picture folder under "Skins/", set by the creator.
    std::string skinFolder;
    gfx::Surface background, over, down, disabled;
    SkinContext context;

protected:
    // Derived dialogs create their controls here.
    virtual void CreateControls() {}
    // Shows the failure of a mask that gives no usable region.
    virtual void ShowMaskError();

    bool onInitDialog() override;
    void paint(gfx::Painter& painter) override;
    void onButtonDown(ui::MouseButton button, gfx::Point p, unsigned keys) override;
    bool preTranslateMessage(ui::Window& target, ui::MessageId id, ui::WParam wParam,
                             ui::LParam lParam) override;
    void onDestroy() override;
};

} // namespace lumetta
