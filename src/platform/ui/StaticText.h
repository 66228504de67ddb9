#pragma once

#include "platform/gfx/Font.h"
#include "platform/gfx/TextFormat.h"
#include "platform/ui/Window.h"

namespace lumetta::ui {

// A line or block of text. It takes no mouse input (presses go to what lies beneath), and a
// hidden one serves as a holder for a text the program reads back.
class StaticText : public Window {
public:
    StaticText();

    bool create(Window& parent, const gfx::Rect& rect, int id, std::string text = {},
                bool visible = true);

    void setText(std::string text);
    const std::string& text() const { return title(); }
    void setFont(const gfx::Font& font);
    void setTextColor(gfx::SysColor color);
    void setFormat(gfx::TextFormat format);
    bool hitTest(gfx::Point) const override { return false; }

protected:
    void paint(gfx::Painter& painter) override;

private:
    gfx::Font font_;
    gfx::SysColor color_;
    gfx::TextFormat format_;
};

} // namespace lumetta::ui
