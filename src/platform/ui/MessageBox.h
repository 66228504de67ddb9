#pragma once

#include "platform/ui/Dialog.h"

#include <string>

namespace lumetta::ui {

enum class MessageBoxIcon { None, Error };

// A plain modal message of our own: a caption bar with the caption (drag it to move the box),
// an optional error icon, the text (wrapped) and an OK button. Centred on the owner, or on the
// screen without one. Enter, Escape, the OK button and a close request all answer it.
class MessageBox : public Dialog {
public:
    static constexpr int kCaptionHeight = 24;
    static constexpr int kIconSize = 32;
    static constexpr int kMaxTextWidth = 360;

    MessageBox(std::string text, std::string caption, MessageBoxIcon icon);

    // Runs it modally; the result is IdOk.
    int run(Window* owner);
    const std::string& text() const { return text_; }
    MessageBoxIcon icon() const { return icon_; }

protected:
    bool onInitDialog() override;
    void onCancel() override { endDialog(IdOk); }
    void paint(gfx::Painter& painter) override;
    void onButtonDown(MouseButton button, gfx::Point p, unsigned keys) override;

private:
    std::string text_;
    MessageBoxIcon icon_;
    gfx::Rect textRect_;
};

// Shows a message box and returns when it is answered (IdOk).
int messageBox(Window* owner, const std::string& text, const std::string& caption,
               MessageBoxIcon icon = MessageBoxIcon::None);

} // namespace lumetta::ui
