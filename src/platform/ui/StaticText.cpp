#include "platform/ui/StaticText.h"

#include "platform/gfx/Painter.h"
#include "platform/ui/ControlFont.h"
#include "platform/ui/SystemColors.h"

namespace lumetta::ui {

StaticText::StaticText()
    : font_(controlFont()), color_(syscolor::Text),
      format_(gfx::TextFormat::Left | gfx::TextFormat::WordBreak | gfx::TextFormat::NoPrefix) {}

bool StaticText::create(Window& parent, const gfx::Rect& rect, int id, std::string text,
                        bool visible) {
    CreateParams params;
    params.parent = &parent;
    params.rect = rect;
    params.id = id;
    params.title = std::move(text);
    params.visible = visible;
    return Window::create(params);
}

void StaticText::setText(std::string text) {
    if (text == title()) {
        return;
    }
    setTitle(std::move(text));
    invalidate();
}

void StaticText::setFont(const gfx::Font& font) {
    font_ = font;
    invalidate();
}

void StaticText::setTextColor(gfx::SysColor color) {
    color_ = color;
    invalidate();
}

void StaticText::setFormat(gfx::TextFormat format) {
    format_ = format;
    invalidate();
}

void StaticText::paint(gfx::Painter& painter) {
    Window::paint(painter);
    painter.setFont(font_);
    painter.setTextColor(color_);
    painter.drawText(text(), clientRect(), format_);
}

} // namespace lumetta::ui
