#include "platform/ui/MessageBox.h"

#include "platform/gfx/Painter.h"
#include "platform/gfx/Text.h"
#include "platform/ui/ControlFont.h"
#include "platform/ui/PushButton.h"
#include "platform/ui/SystemColors.h"

#include <algorithm>

namespace lumetta::ui {

namespace {

constexpr int kMargin = 16;
constexpr int kButtonWidth = 88;
constexpr int kButtonHeight = 26;
constexpr gfx::TextFormat kTextFormat =
    gfx::TextFormat::Left | gfx::TextFormat::WordBreak | gfx::TextFormat::NoPrefix;

// A template of its own, sized when the box is laid out.
int messageBoxTemplate() {
    constexpr int kId = 0x7F01;
    if (findDialogTemplate(kId) == nullptr) {
        DialogTemplate t;
        t.id = kId;
        t.size = {200, 80};
        registerDialogTemplate(t);
    }
    return kId;
}

} // namespace

MessageBox::MessageBox(std::string text, std::string caption, MessageBoxIcon icon)
    : Dialog(messageBoxTemplate()), text_(std::move(text)), icon_(icon) {
    setTitle(std::move(caption));
}

int MessageBox::run(Window* owner) {
    return runModal(owner);
}

bool MessageBox::onInitDialog() {
    gfx::Font font = controlFont();
    gfx::TextExtent extent =
        gfx::measureText(font, text_, gfx::Rect{0, 0, kMaxTextWidth, 10000}, kTextFormat);
    int iconWidth = icon_ == MessageBoxIcon::None ? 0 : kIconSize + kMargin;
    int contentHeight = std::max(extent.height, icon_ == MessageBoxIcon::None ? 0 : kIconSize);
    int width = std::max(kMargin * 2 + iconWidth + extent.width, kButtonWidth + 2 * kMargin);
    width = std::max(width, 220);
    int top = kCaptionHeight + kMargin;
    int textTop = top + std::max(0, (contentHeight - extent.height) / 2);
    textRect_ = gfx::Rect::fromSize(kMargin + iconWidth, textTop, extent.width + 1, extent.height);
    int buttonTop = top + contentHeight + kMargin;
    int height = buttonTop + kButtonHeight + kMargin / 2 + 4;
    resize({width, height});
    auto button = std::make_unique<PushButton>();
    button->create(
        *this,
        gfx::Rect::fromSize(width - kMargin - kButtonWidth, buttonTop, kButtonWidth, kButtonHeight),
        IdOk, "OK");
    adopt(std::move(button));
    centerOn(owner());
    return true;
}

void MessageBox::paint(gfx::Painter& painter) {
    gfx::Rect r = clientRect();
    painter.fill(r, syscolor::Window);
    painter.fill(gfx::Rect{0, 0, r.right, kCaptionHeight}, syscolor::Face);
    painter.fill(gfx::Rect{0, r.bottom - kButtonHeight - kMargin, r.right, r.bottom},
                 syscolor::Face);
    painter.frame(r, syscolor::Frame);
    gfx::Font font = controlFont();
    painter.setFont(font);
    painter.setTextColor(syscolor::Text);
    painter.drawText(title(), gfx::Rect{8, 0, r.right - 8, kCaptionHeight},
                     gfx::TextFormat::Left | gfx::TextFormat::VCenter |
                         gfx::TextFormat::SingleLine | gfx::TextFormat::EndEllipsis |
                         gfx::TextFormat::NoPrefix);
    if (icon_ == MessageBoxIcon::Error) {
        gfx::Rect icon =
            gfx::Rect::fromSize(kMargin, kCaptionHeight + kMargin, kIconSize, kIconSize);
        painter.setSmooth(true);
        painter.ellipse(icon, syscolor::Error, std::nullopt);
        gfx::Rect cross = icon.inflated(-10, -10);
        for (int d = 0; d < 2; ++d) {
            painter.line({cross.left + d, cross.top}, {cross.right + d, cross.bottom},
                         syscolor::Window);
            painter.line({cross.right - 1 + d, cross.top}, {cross.left - 1 + d, cross.bottom},
                         syscolor::Window);
        }
        painter.setSmooth(false);
    }
    painter.drawText(text_, textRect_, kTextFormat);
}

void MessageBox::onButtonDown(MouseButton button, gfx::Point p, unsigned) {
    if (button == MouseButton::Left && p.y < kCaptionHeight) {
        post(msg::NcLButtonDown, kHitCaption, packPoint(clientToScreen(p)));
    }
}

int messageBox(Window* owner, const std::string& text, const std::string& caption,
               MessageBoxIcon icon) {
    MessageBox box(text, caption, icon);
    return box.run(owner);
}

} // namespace lumetta::ui
