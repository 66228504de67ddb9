#include "platform/ui/Dialog.h"

#include "platform/core/EventLoop.h"
#include "platform/ui/Desktop.h"
#include "platform/ui/EditField.h"
#include "platform/ui/ProgressBar.h"
#include "platform/ui/PushButton.h"
#include "platform/ui/ScrollBar.h"
#include "platform/ui/StaticText.h"
#include "platform/ui/SystemColors.h"

#include <algorithm>

namespace lumetta::ui {

Dialog::Dialog(int templateId) : templateId_(templateId) {
    setBackground(syscolor::Face);
}

Dialog::~Dialog() {
    *alive_ = false;
    if (loop_ != nullptr) {
        loop_->exit(-1);
    }
    destroyWindow();
}

bool Dialog::create(Window* parent) {
    return create(templateId_, parent);
}

bool Dialog::create(int templateId, Window* parent) {
    const DialogTemplate* t = findDialogTemplate(templateId);
    if (t == nullptr || exists()) {
        return false;
    }
    templateId_ = templateId;
    bool topLevel = !t->child || parent == nullptr;
    if (!createFrom(*t, parent, topLevel)) {
        return false;
    }
    if (t->visible) {
        show();
    }
    return true;
}

bool Dialog::createFrom(const DialogTemplate& t, Window* parent, bool topLevel) {
    result_ = -1;
    ended_ = false;
    items_.clear();
    gfx::Size size = dialogUnitsToPixels(t.size);
    CreateParams params;
    params.rect = {0, 0, size.width, size.height};
    // A title set before creation wins over the template's.
    params.title = title().empty() ? t.title : title();
    if (topLevel) {
        params.owner = parent;
    } else {
        params.parent = parent;
    }
    if (!Window::create(params)) {
        return false;
    }
    if (topLevel) {
        centerOn(parent);
    }
    createItems(t);
    dispatch(msg::InitDialog, 0, 0);
    return exists();
}

void Dialog::createItems(const DialogTemplate& t) {
    for (const DialogItem& item : t.items) {
        gfx::Rect r = dialogUnitsToPixels(item.rect);
        switch (item.kind) {
        case ControlKind::PushButton: {
            auto c = std::make_unique<PushButton>();
            c->create(*this, r, item.id, item.text, item.visible);
            items_.push_back(std::move(c));
            break;
        }
        case ControlKind::Edit: {
            auto c = std::make_unique<EditField>();
            c->create(*this, r, item.id, {}, item.visible);
            c->setText(item.text);
            items_.push_back(std::move(c));
            break;
        }
        case ControlKind::Static: {
            auto c = std::make_unique<StaticText>();
            c->create(*this, r, item.id, item.text, item.visible);
            items_.push_back(std::move(c));
            break;
        }
        case ControlKind::ProgressBar: {
            auto c = std::make_unique<ProgressBar>();
            c->create(*this, r, item.id, item.visible);
            items_.push_back(std::move(c));
            break;
        }
        case ControlKind::ScrollBar: {
            auto c = std::make_unique<ScrollBar>();
            bool vertical = r.height() >= r.width();
            c->create(*this, r, item.id,
                      vertical ? ScrollBar::Orientation::Vertical
                               : ScrollBar::Orientation::Horizontal,
                      item.visible);
            items_.push_back(std::move(c));
            break;
        }
        }
    }
}

Window* Dialog::item(int id) const {
    for (const auto& c : items_) {
        if (c->id() == id && c->exists()) {
            return c.get();
        }
    }
    return child(id);
}

std::string Dialog::itemText(int id) const {
    Window* w = item(id);
    return w != nullptr ? w->title() : std::string();
}

void Dialog::setItemText(int id, const std::string& text) {
    Window* w = item(id);
    if (w == nullptr) {
        return;
    }
    if (auto* edit = dynamic_cast<EditField*>(w)) {
        edit->setText(text);
        return;
    }
    w->setTitle(text);
    w->invalidate();
}

Window& Dialog::adopt(std::unique_ptr<Window> control) {
    items_.push_back(std::move(control));
    return *items_.back();
}

int Dialog::runModal(Window* owner) {
    if (loop_ != nullptr) {
        return -1;
    }
    if (!exists()) {
        const DialogTemplate* t = findDialogTemplate(templateId_);
        if (t == nullptr || !createFrom(*t, owner, true)) {
            return -1;
        }
    }
    Window* ownerTop = owner != nullptr && owner->exists() ? owner->topLevel() : nullptr;
    WindowHandle ownerHandle = ownerTop != nullptr ? ownerTop->handle() : WindowHandle{};
    bool disabledOwner = ownerTop != nullptr && ownerTop->isEnabled();
    if (disabledOwner) {
        ownerTop->enable(false);
    }
    std::shared_ptr<bool> alive = alive_;
    int code = result_;
    if (!ended_ && exists()) {
        show();
        focusFirstControl();
        core::EventLoop loop;
        loop_ = &loop;
        code = loop.run();
        if (*alive) {
            loop_ = nullptr;
        }
    }
    Window* ownerNow = Window::fromHandle(ownerHandle);
    if (ownerNow != nullptr && disabledOwner) {
        ownerNow->enable(true);
    }
    if (!*alive) {
        return code;
    }
    destroyWindow();
    if (ownerNow != nullptr && ownerNow->isVisible()) {
        ownerNow->activate();
    }
    return code;
}

void Dialog::endDialog(int code) {
    result_ = code;
    ended_ = true;
    if (loop_ != nullptr) {
        loop_->exit(code);
        return;
    }
    hide();
}

void Dialog::onDestroy() {
    if (loop_ != nullptr && !ended_) {
        ended_ = true;
        result_ = -1;
        loop_->exit(-1);
    }
}

LResult Dialog::windowProc(MessageId id, WParam wParam, LParam lParam) {
    if (id == msg::InitDialog) {
        return onInitDialog() ? 1 : 0;
    }
    return Window::windowProc(id, wParam, lParam);
}

void Dialog::onCommand(int id, int code, WindowHandle) {
    if (code != notify::Clicked) {
        return;
    }
    if (id == IdOk) {
        onOk();
    } else if (id == IdCancel) {
        onCancel();
    }
}

bool Dialog::preTranslateMessage(Window& target, MessageId id, WParam wParam, LParam lParam) {
    if (Window::preTranslateMessage(target, id, wParam, lParam)) {
        return true;
    }
    if (id != msg::KeyDown || !isTopLevel()) {
        return false;
    }
    switch (int(wParam)) {
    case display::key::Return:
        if (auto* button = dynamic_cast<PushButton*>(Window::focus());
            button != nullptr && button->isWithin(*this)) {
            button->click();
        } else {
            send(msg::Command, makeWParam(IdOk, notify::Clicked), 0);
        }
        return true;
    case display::key::Escape:
        send(msg::Command, makeWParam(IdCancel, notify::Clicked), 0);
        return true;
    case display::key::Tab:
        moveFocus(desktop() != nullptr && (desktop()->modifiers() & display::modifier::Shift) != 0);
        return true;
    default:
        return false;
    }
}

namespace {

void collectTabStops(Window& w, std::vector<Window*>& out) {
    for (Window* c : w.children()) {
        if (!c->isVisible() || !c->isEnabled()) {
            continue;
        }
        if (c->tabStop()) {
            out.push_back(c);
        }
        collectTabStops(*c, out);
    }
}

} // namespace

void Dialog::focusFirstControl() {
    std::vector<Window*> stops;
    collectTabStops(*this, stops);
    if (Window* f = Window::focus(); f != nullptr && f->isWithin(*this)) {
        return;
    }
    if (stops.empty()) {
        setFocus();
    } else {
        stops.front()->setFocus();
    }
}

void Dialog::moveFocus(bool backwards) {
    std::vector<Window*> stops;
    collectTabStops(*this, stops);
    if (stops.empty()) {
        return;
    }
    auto it = std::find(stops.begin(), stops.end(), Window::focus());
    std::size_t i = it == stops.end() ? 0 : std::size_t(it - stops.begin());
    std::size_t n = stops.size();
    std::size_t next = it == stops.end() ? 0 : (backwards ? (i + n - 1) % n : (i + 1) % n);
    stops[next]->setFocus();
    if (auto* edit = dynamic_cast<EditField*>(stops[next])) {
        edit->selectAll();
    }
}

} // namespace lumetta::ui
