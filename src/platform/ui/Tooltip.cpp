#include "platform/ui/Tooltip.h"

#include "platform/gfx/Painter.h"
#include "platform/gfx/Text.h"
#include "platform/ui/ControlFont.h"
#include "platform/ui/Desktop.h"
#include "platform/ui/SystemColors.h"

#include <algorithm>
#include <chrono>

namespace lumetta::ui {

namespace {
constexpr int kPadX = 4;
constexpr int kPadY = 2;
constexpr int kBelowPointer = 20;
constexpr gfx::TextFormat kTipFormat = gfx::TextFormat::Left | gfx::TextFormat::VCenter |
                                       gfx::TextFormat::SingleLine | gfx::TextFormat::NoPrefix;
} // namespace

Tooltip::Tooltip()
    : initial_(std::chrono::milliseconds(500)), autoPop_(std::chrono::milliseconds(5000)),
      font_(controlFont()) {}

bool Tooltip::create(Window& owner) {
    CreateParams params;
    params.owner = &owner;
    params.rect = {0, 0, 1, 1};
    params.popup = true;
    params.topmost = true;
    return Window::create(params);
}

void Tooltip::addTool(Window& tool, const gfx::Rect& rect, std::string text) {
    removeTool(tool);
    tools_.push_back(Tool{tool.handle(), rect, std::move(text)});
}

void Tooltip::setToolText(Window& tool, std::string text) {
    for (Tool& t : tools_) {
        if (t.window == tool.handle()) {
            t.text = std::move(text);
            if (visibleFlag() && current_ >= 0 && &tools_[std::size_t(current_)] == &t) {
                showTip();
            }
            return;
        }
    }
}

bool Tooltip::hasTool(const Window& tool) const {
    return std::any_of(tools_.begin(), tools_.end(),
                       [&](const Tool& t) { return t.window == tool.handle(); });
}

void Tooltip::removeTool(const Window& tool) {
    pop();
    current_ = -1;
    std::erase_if(tools_, [&](const Tool& t) { return t.window == tool.handle(); });
}

void Tooltip::activate(bool active) {
    active_ = active;
    if (!active) {
        pop();
    }
}

void Tooltip::setDelays(core::Duration initial, core::Duration autoPop) {
    initial_ = initial;
    autoPop_ = autoPop;
}

int Tooltip::toolAt(const Window& source, gfx::Point p) const {
    for (std::size_t i = 0; i < tools_.size(); ++i) {
        const Tool& t = tools_[i];
        gfx::Rect area = t.rect.empty() ? source.clientRect() : t.rect;
        if (t.window == source.handle() && area.contains(p)) {
            return int(i);
        }
    }
    return -1;
}

void Tooltip::relayEvent(Window& source, MessageId id, WParam, LParam lParam) {
    if (!exists()) {
        return;
    }
    switch (id) {
    case msg::MouseMove: {
        gfx::Point p = unpackPoint(lParam);
        pointer_ = source.clientToScreen(p);
        int at = toolAt(source, p);
        if (at == current_) {
            return;
        }
        pop();
        current_ = at;
        if (at >= 0 && active_) {
            setTimer(kShowTimer, initial_);
        }
        return;
    }
    case msg::LButtonDown:
    case msg::RButtonDown:
    case msg::MButtonDown:
    case msg::MouseLeave:
    case msg::MouseWheel:
        pop();
        current_ = -1;
        return;
    default:
        return;
    }
}

void Tooltip::pop() {
    if (!exists()) {
        return;
    }
    killTimer(kShowTimer);
    killTimer(kHideTimer);
    hide();
}

std::string Tooltip::shownText() const {
    if (!visibleFlag() || current_ < 0 || current_ >= int(tools_.size())) {
        return {};
    }
    return tools_[std::size_t(current_)].text;
}

void Tooltip::showTip() {
    if (current_ < 0 || current_ >= int(tools_.size()) || !active_) {
        return;
    }
    const std::string& text = tools_[std::size_t(current_)].text;
    if (text.empty()) {
        return;
    }
    gfx::TextExtent extent = gfx::measureText(font_, text, gfx::Rect{0, 0, 2000, 200}, kTipFormat);
    gfx::Size tip{extent.width + 2 * kPadX + 2, extent.height + 2 * kPadY + 2};
    gfx::Size screen = desktop()->screenSize();
    gfx::Point at{pointer_.x, pointer_.y + kBelowPointer};
    at.x = std::clamp(at.x, 0, std::max(0, screen.width - tip.width));
    if (at.y + tip.height > screen.height) {
        at.y = pointer_.y - tip.height - 2;
    }
    setRect(gfx::Rect::fromSize(at.x, at.y, tip.width, tip.height));
    show();
    raise();
    invalidate();
    setTimer(kHideTimer, autoPop_);
}

void Tooltip::onTimer(TimerId id) {
    killTimer(id);
    if (id == kShowTimer) {
        showTip();
    } else if (id == kHideTimer) {
        hide();
    }
}

void Tooltip::paint(gfx::Painter& painter) {
    gfx::Rect r = clientRect();
    painter.fill(r, syscolor::InfoBack);
    painter.frame(r, syscolor::Frame);
    painter.setFont(font_);
    painter.setTextColor(syscolor::Text);
    painter.drawText(shownText(), r.inflated(-kPadX - 1, -kPadY - 1), kTipFormat);
}

} // namespace lumetta::ui
