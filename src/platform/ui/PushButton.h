#pragma once

#include "platform/gfx/Font.h"
#include "platform/ui/Window.h"

namespace lumetta::ui {

// A push button. A left press shows it pressed and captures the mouse; the pressed look follows
// the pointer in and out; a release over it clicks: the parent is sent msg::Command with the
// control id, notify::Clicked and the button's handle. Space does the same from the keyboard.
// Owner-drawn buttons override drawItem(); the base draws a plain button.
class PushButton : public Window {
public:
    struct DrawState {
        bool pressed = false; // held down with the pointer over it (the selected state)
        bool disabled = false;
        bool focused = false;
        bool hot = false; // the pointer is over it
    };

    PushButton();

    bool create(Window& parent, const gfx::Rect& rect, int id, std::string text = {},
                bool visible = true);

    void setText(std::string text);
    const std::string& text() const { return title(); }
    void setFont(const gfx::Font& font);
    const gfx::Font& font() const { return font_; }
    bool isPressed() const { return pressed_; }
    DrawState drawState() const;
    // Clicks as the user would: the parent gets the command.
    void click();

protected:
    virtual void drawItem(gfx::Painter& painter, const DrawState& state);
    void paint(gfx::Painter& painter) override;
    void onButtonDown(MouseButton button, gfx::Point p, unsigned keys) override;
    void onButtonUp(MouseButton button, gfx::Point p, unsigned keys) override;
    void onMouseMove(gfx::Point p, unsigned keys) override;
    void onMouseLeave() override;
    void onCaptureChanged(WindowHandle taker) override;
    void onKeyDown(int key, bool repeat) override;
    void onKeyUp(int key) override;
    void onSetFocus(WindowHandle previous) override;
    void onKillFocus(WindowHandle next) override;
    void onEnable(bool enabled) override;
    // Sends the click command to the parent.
    void notifyClicked();

private:
    void setPressed(bool pressed);

    gfx::Font font_;
    bool pressed_ = false;
    bool tracking_ = false; // the left button went down on us and is still down
    bool spaceDown_ = false;
    bool hot_ = false;
};

} // namespace lumetta::ui
