#include "platform/ui/PushButton.h"

#include "platform/gfx/Painter.h"
#include "platform/ui/ControlFont.h"
#include "platform/ui/SystemColors.h"

namespace lumetta::ui {

PushButton::PushButton() : font_(controlFont()) {}

bool PushButton::create(Window& parent, const gfx::Rect& rect, int id, std::string text,
                        bool visible) {
    CreateParams params;
    params.parent = &parent;
    params.rect = rect;
    params.id = id;
    params.title = std::move(text);
    params.visible = visible;
    setTabStop(true);
    setAcceptsDoubleClicks(true);
    return Window::create(params);
}

void PushButton::setText(std::string text) {
    if (text == title()) {
        return;
    }
    setTitle(std::move(text));
    invalidate();
}

void PushButton::setFont(const gfx::Font& font) {
    font_ = font;
    invalidate();
}

PushButton::DrawState PushButton::drawState() const {
    return DrawState{pressed_, !isEnabled(), hasFocus(), hot_};
}

void PushButton::click() {
    if (isEnabled()) {
        notifyClicked();
    }
}

void PushButton::notifyClicked() {
    if (Window* p = parent()) {
        p->send(msg::Command, makeWParam(id(), notify::Clicked), handleParam(handle()));
    }
}

void PushButton::setPressed(bool pressed) {
    if (pressed_ != pressed) {
        pressed_ = pressed;
        invalidate();
    }
}

void PushButton::paint(gfx::Painter& painter) {
    drawItem(painter, drawState());
}

void PushButton::drawItem(gfx::Painter& painter, const DrawState& state) {
    gfx::Rect r = clientRect();
    gfx::SysColor face = state.pressed ? syscolor::Pressed
                         : state.hot   ? syscolor::Hot
                                       : syscolor::Face;
    painter.fill(r, face);
    painter.frame(r, state.focused || state.hot ? syscolor::Accent : syscolor::Frame);
    painter.setFont(font_);
    painter.setTextColor(state.disabled ? syscolor::GrayText : syscolor::Text);
    gfx::Rect textRect = state.pressed ? r.translated(1, 1) : r;
    painter.drawText(text(), textRect,
                     gfx::TextFormat::Center | gfx::TextFormat::VCenter |
                         gfx::TextFormat::SingleLine | gfx::TextFormat::EndEllipsis);
}

void PushButton::onButtonDown(MouseButton button, gfx::Point, unsigned) {
    if (button != MouseButton::Left) {
        return;
    }
    tracking_ = true;
    setCapture();
    setFocus();
    setPressed(true);
}

void PushButton::onMouseMove(gfx::Point p, unsigned) {
    bool over = hitTest(p);
    if (over != hot_) {
        hot_ = over;
        invalidate();
        if (over) {
            trackMouseLeave();
        }
    }
    if (tracking_) {
        setPressed(over);
    }
}

void PushButton::onMouseLeave() {
    if (hot_) {
        hot_ = false;
        invalidate();
    }
}

void PushButton::onButtonUp(MouseButton button, gfx::Point p, unsigned) {
    if (button != MouseButton::Left || !tracking_) {
        return;
    }
    bool clicked = pressed_ && hitTest(p);
    tracking_ = false;
    setPressed(false);
    if (hasCapture()) {
        releaseCapture();
    }
    if (clicked) {
        notifyClicked();
    }
}

void PushButton::onCaptureChanged(WindowHandle) {
    if (tracking_) {
        tracking_ = false;
        setPressed(false);
    }
}

void PushButton::onKeyDown(int key, bool repeat) {
    if (key == display::key::Space && !repeat && !tracking_) {
        spaceDown_ = true;
        setPressed(true);
    }
}

void PushButton::onKeyUp(int key) {
    if (key != display::key::Space || !spaceDown_) {
        return;
    }
    spaceDown_ = false;
    setPressed(false);
    notifyClicked();
}

void PushButton::onSetFocus(WindowHandle) {
    invalidate();
}

void PushButton::onKillFocus(WindowHandle) {
    spaceDown_ = false;
    if (!tracking_) {
        setPressed(false);
    }
    invalidate();
}

void PushButton::onEnable(bool enabled) {
    if (!enabled) {
        tracking_ = false;
        spaceDown_ = false;
        pressed_ = false;
        hot_ = false;
    }
    invalidate();
}

} // namespace lumetta::ui
