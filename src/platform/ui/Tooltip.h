#pragma once

#include "platform/gfx/Font.h"
#include "platform/ui/Window.h"

#include <string>
#include <vector>

namespace lumetta::ui {

// A small pop-up with a text that appears when the pointer rests on a tool (a rectangle of a
// window) and goes on a press, when the pointer leaves the tool, or after a while. The tool's
// window relays its mouse messages with relayEvent().
class Tooltip : public Window {
public:
    static constexpr TimerId kShowTimer = 1;
    static constexpr TimerId kHideTimer = 2;

    Tooltip();

    // A hidden pop-up owned by owner's top-level window.
    bool create(Window& owner);
    // rect in the tool window's client coordinates; an empty rect means all of it.
    void addTool(Window& tool, const gfx::Rect& rect, std::string text);
    void setToolText(Window& tool, std::string text);
    bool hasTool(const Window& tool) const;
    void removeTool(const Window& tool);
    // An inactive tooltip shows nothing.
    void activate(bool active);
    bool isActive() const { return active_; }
    void setDelays(core::Duration initial, core::Duration autoPop);
    void relayEvent(Window& source, MessageId id, WParam wParam, LParam lParam);
    // Hides the tip now.
    void pop();
    // The text being shown, empty while hidden.
    std::string shownText() const;

protected:
    void paint(gfx::Painter& painter) override;
    void onTimer(TimerId id) override;

private:
    struct Tool {
        WindowHandle window;
        gfx::Rect rect;
        std::string text;
    };
    int toolAt(const Window& source, gfx::Point p) const;
    void showTip();

    std::vector<Tool> tools_;
    int current_ = -1;
    bool active_ = true;
    gfx::Point pointer_; // screen
    core::Duration initial_;
    core::Duration autoPop_;
    gfx::Font font_;
};

} // namespace lumetta::ui
