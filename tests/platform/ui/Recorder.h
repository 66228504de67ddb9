#pragma once

#include "platform/gfx/Painter.h"
#include "platform/ui/Window.h"

#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace lumetta::test {

// A window that keeps every message it gets and fills itself with one colour.
class Recorder : public ui::Window {
public:
    struct Received {
        ui::MessageId id;
        ui::WParam wParam;
        ui::LParam lParam;
    };

    std::string name;
    std::vector<Received> log;
    std::optional<gfx::SysColor> color;
    int paints = 0;
    std::function<void(ui::MessageId, ui::WParam, ui::LParam)> onMessage;

    explicit Recorder(std::string n = {}, std::optional<gfx::SysColor> c = std::nullopt)
        : name(std::move(n)), color(c) {}

    bool createTop(const gfx::Rect& rect, const std::string& title = {},
                   ui::Window* owner = nullptr) {
        ui::CreateParams p;
        p.rect = rect;
        p.title = title;
        p.owner = owner;
        p.visible = true;
        return create(p);
    }
    bool createChild(ui::Window& parent, const gfx::Rect& rect, int id = 0) {
        ui::CreateParams p;
        p.parent = &parent;
        p.rect = rect;
        p.id = id;
        p.visible = true;
        return create(p);
    }

    int count(ui::MessageId id) const {
        int n = 0;
        for (const auto& r : log) {
            n += r.id == id ? 1 : 0;
        }
        return n;
    }
    const Received* last(ui::MessageId id) const {
        for (auto it = log.rbegin(); it != log.rend(); ++it) {
            if (it->id == id) {
                return &*it;
            }
        }
        return nullptr;
    }
    // The input messages received, in order, by id.
    std::vector<ui::MessageId> inputs() const {
        std::vector<ui::MessageId> out;
        for (const auto& r : log) {
            if ((r.id >= ui::msg::MouseMove && r.id <= ui::msg::MouseWheel) ||
                r.id == ui::msg::MouseLeave ||
                (r.id >= ui::msg::KeyDown && r.id <= ui::msg::Char)) {
                out.push_back(r.id);
            }
        }
        return out;
    }

protected:
    ui::LResult windowProc(ui::MessageId id, ui::WParam w, ui::LParam l) override {
        log.push_back({id, w, l});
        if (onMessage) {
            onMessage(id, w, l);
        }
        return ui::Window::windowProc(id, w, l);
    }
    void paint(gfx::Painter& p) override {
        ++paints;
        if (color) {
            p.fill(clientRect(), *color);
        }
    }
};

} // namespace lumetta::test
