#include "platform/ui/Window.h"

#include "platform/core/MessageQueue.h"
#include "platform/gfx/Painter.h"
#include "platform/ui/Desktop.h"

#include <algorithm>
#include <iostream>

namespace lumetta::ui {

// The message core's target for one creation of a window.
class Window::Target final : public core::Window {
public:
    explicit Target(ui::Window& window) : window_(window) {}
    ~Target() override { destroy(); }

protected:
    LResult handleMessage(MessageId id, WParam wParam, LParam lParam) override {
        // Nothing of this object may be touched after the call: the window may destroy itself
        // (and so this target) while handling the message.
        return window_.dispatch(id, wParam, lParam);
    }

private:
    ui::Window& window_;
};

Window::Window() = default;

Window::~Window() {
    destroyWindow();
}

WindowHandle Window::handle() const {
    return target_ ? target_->handle() : WindowHandle{};
}

Window* Window::fromHandle(WindowHandle handle) {
    Desktop* desktop = Desktop::current();
    return desktop != nullptr ? desktop->windowFromHandle(handle) : nullptr;
}

bool Window::create(const CreateParams& params) {
    if (exists()) {
        return false;
    }
    Desktop* desktop = Desktop::current();
    if (desktop == nullptr) {
        std::cerr << "window \"" << params.title << "\" not created: no display on this thread\n";
        return false;
    }
    if (params.parent != nullptr && !params.parent->exists()) {
        return false;
    }
    desktop_ = desktop;
    target_ = std::make_unique<Target>(*this);
    rect_ = params.rect;
    title_ = params.title;
    id_ = params.id;
    visible_ = false;
    enabled_ = true;
    popup_ = params.parent == nullptr && params.popup;
    topmost_ = params.parent == nullptr && params.topmost;
    minimized_ = false;
    trackingLeave_ = false;
    dirty_ = gfx::Region();
    lastFocus_ = {};
    desktop_->registerWindow(*this);
    if (params.parent != nullptr) {
        attach(params.parent);
    } else {
        owner_ = params.owner != nullptr ? params.owner->topLevel()->handle() : WindowHandle{};
        desktop_->topLevelCreated(*this, params);
    }
    onCreate();
    if (exists() && params.visible) {
        show(true);
    }
    return exists();
}

void Window::destroyWindow() {
    if (!exists() || destroying_) {
        return;
    }
    destroying_ = true;
    if (desktop_->captureWindow() != nullptr && desktop_->captureWindow()->isWithin(*this)) {
        desktop_->releaseCapture();
    }
    dispatch(msg::Destroy, 0, 0);
    // Each child leaves the list as it goes; a child whose owner deletes it meanwhile does too.
    while (!children_.empty()) {
        Window* child = children_.back();
        child->destroyWindow();
        if (!children_.empty() && children_.back() == child) {
            child->detach();
        }
    }
    if (parent_ != nullptr) {
        invalidateInParent();
        detach();
    } else {
        desktop_->destroyOwned(*this);
        desktop_->topLevelDestroyed(*this);
    }
    desktop_->unregisterWindow(*this);
    target_.reset();
    visible_ = false;
    dirty_ = gfx::Region();
    content_ = gfx::Surface();
    native_ = 0;
    destroying_ = false;
}

bool Window::post(MessageId id, WParam wParam, LParam lParam) const {
    return core::postMessage(handle(), id, wParam, lParam);
}

LResult Window::send(MessageId id, WParam wParam, LParam lParam) {
    return core::sendMessage(handle(), id, wParam, lParam);
}

bool Window::setTimer(TimerId id, core::Duration interval) const {
    return core::setTimer(handle(), id, interval);
}

bool Window::killTimer(TimerId id) const {
    return core::killTimer(handle(), id);
}

Window* Window::owner() const {
    return fromHandle(owner_);
}

Window* Window::topLevel() {
    Window* w = this;
    while (w->parent_ != nullptr) {
        w = w->parent_;
    }
    return w;
}

const Window* Window::topLevel() const {
    const Window* w = this;
    while (w->parent_ != nullptr) {
        w = w->parent_;
    }
    return w;
}

Window* Window::child(int id) const {
    for (Window* c : children_) {
        if (c->id_ == id) {
            return c;
        }
    }
    return nullptr;
}

bool Window::isWithin(const Window& ancestor) const {
    for (const Window* w = this; w != nullptr; w = w->parent_) {
        if (w == &ancestor) {
            return true;
        }
    }
    return false;
}

void Window::attach(Window* parent) {
    parent_ = parent;
    parent->children_.push_back(this);
}

void Window::detach() {
    if (parent_ != nullptr) {
        std::erase(parent_->children_, this);
        parent_ = nullptr;
    }
}

void Window::invalidateInParent() {
    if (parent_ != nullptr && visible_) {
        parent_->invalidate(rect_);
    }
}

void Window::setRect(const gfx::Rect& rect) {
    if (rect == rect_) {
        return;
    }
    gfx::Rect old = rect_;
    if (!exists()) {
        rect_ = rect;
        return;
    }
    if (parent_ != nullptr) {
        invalidateInParent();
        rect_ = rect;
        invalidateInParent();
    } else {
        rect_ = rect;
        desktop_->topLevelMoved(*this, old);
    }
    if (old.size() != rect.size()) {
        dispatch(msg::Size, kSizeRestored, packPoint({rect.width(), rect.height()}));
    }
}

void Window::moveTo(gfx::Point topLeft) {
    setRect(gfx::Rect::fromSize(topLeft.x, topLeft.y, rect_.width(), rect_.height()));
}

void Window::resize(gfx::Size size) {
    setRect(gfx::Rect::fromSize(rect_.left, rect_.top, size.width, size.height));
}

gfx::Point Window::offsetInTopLevel() const {
    gfx::Point p;
    for (const Window* w = this; w->parent_ != nullptr; w = w->parent_) {
        p.x += w->rect_.left;
        p.y += w->rect_.top;
    }
    return p;
}

gfx::Rect Window::screenRect() const {
    gfx::Point p = clientToScreen({0, 0});
    return gfx::Rect::fromSize(p.x, p.y, rect_.width(), rect_.height());
}

gfx::Point Window::clientToScreen(gfx::Point p) const {
    gfx::Point off = offsetInTopLevel();
    gfx::Rect top = topLevel()->rect_;
    return {p.x + off.x + top.left, p.y + off.y + top.top};
}

gfx::Point Window::screenToClient(gfx::Point p) const {
    gfx::Point origin = clientToScreen({0, 0});
    return {p.x - origin.x, p.y - origin.y};
}

void Window::centerOn(const Window* other) {
    const Window* ref = other;
    if (ref == nullptr) {
        ref = parent_ != nullptr ? parent_ : owner();
    }
    gfx::Size screen = desktop_ != nullptr ? desktop_->screenSize() : gfx::Size{};
    gfx::Rect area =
        ref != nullptr ? ref->screenRect() : gfx::Rect{0, 0, screen.width, screen.height};
    gfx::Point at{area.left + (area.width() - rect_.width()) / 2,
                  area.top + (area.height() - rect_.height()) / 2};
    if (parent_ != nullptr) {
        moveTo(parent_->screenToClient(at));
        return;
    }
    at.x = std::max(0, std::min(at.x, screen.width - rect_.width()));
    at.y = std::max(0, std::min(at.y, screen.height - rect_.height()));
    moveTo(at);
}

bool Window::hitTest(gfx::Point p) const {
    return clientRect().contains(p) && (!region_ || region_->contains(p));
}

Window* Window::childAt(gfx::Point p) {
    for (auto it = children_.rbegin(); it != children_.rend(); ++it) {
        Window* c = *it;
        gfx::Point local{p.x - c->rect_.left, p.y - c->rect_.top};
        // Disabled windows take no input: it goes to what lies beneath them.
        if (!c->visible_ || !c->enabled_ || !c->hitTest(local)) {
            continue;
        }
        return c->childAt(local);
    }
    return this;
}

void Window::show(bool visible) {
    if (!exists()) {
        visible_ = visible;
        return;
    }
    if (visible_ == visible) {
        return;
    }
    if (parent_ != nullptr) {
        if (!visible) {
            invalidateInParent();
        }
        visible_ = visible;
        if (visible) {
            invalidateInParent();
        }
    } else {
        desktop_->showTopLevel(*this, visible);
    }
    if (exists()) {
        dispatch(msg::ShowWindow, visible ? 1 : 0, 0);
    }
}

bool Window::isVisible() const {
    if (!exists()) {
        return false;
    }
    for (const Window* w = this; w != nullptr; w = w->parent_) {
        if (!w->visible_) {
            return false;
        }
    }
    return true;
}

void Window::enable(bool enabled) {
    if (enabled_ == enabled) {
        return;
    }
    enabled_ = enabled;
    if (!exists()) {
        return;
    }
    if (!enabled) {
        desktop_->topLevelDisabled(*this);
    }
    dispatch(msg::Enable, enabled ? 1 : 0, 0);
    invalidate();
}

void Window::setTitle(std::string title) {
    title_ = std::move(title);
    if (isTopLevel() && native_ != 0) {
        desktop_->backend().setWindowTitle(native_, title_);
    }
}

void Window::raise() {
    if (!exists()) {
        return;
    }
    if (parent_ != nullptr) {
        std::erase(parent_->children_, this);
        parent_->children_.push_back(this);
        invalidate();
        return;
    }
    desktop_->raiseTopLevel(*this);
}

void Window::setTopmost(bool topmost) {
    if (!isTopLevel()) {
        return;
    }
    topmost_ = topmost;
    desktop_->backend().setTopmost(native_, topmost);
    desktop_->raiseTopLevel(*this);
}

void Window::minimize() {
    if (!isTopLevel() || minimized_) {
        return;
    }
    minimized_ = true;
    desktop_->backend().minimizeWindow(native_);
    dispatch(msg::Size, kSizeMinimized, 0);
}

void Window::restore() {
    if (!isTopLevel() || !minimized_) {
        return;
    }
    minimized_ = false;
    desktop_->backend().restoreWindow(native_);
    dispatch(msg::Size, kSizeRestored, packPoint({rect_.width(), rect_.height()}));
    invalidate();
}

bool Window::setRegion(std::optional<gfx::Region> region) {
    if (region && region->empty()) {
        return false;
    }
    if (exists() && parent_ != nullptr) {
        invalidateInParent();
    }
    region_ = std::move(region);
    if (isTopLevel() && native_ != 0) {
        desktop_->backend().setWindowShape(native_, region_ ? &*region_ : nullptr);
    }
    invalidate();
    return true;
}

void Window::setLayered(std::uint8_t alpha, std::optional<gfx::SysColor> key) {
    alpha_ = alpha;
    colorKey_ = key;
    if (isTopLevel()) {
        desktop_->updateLayered(*this);
    }
}

void Window::clearLayered() {
    setLayered(255, std::nullopt);
}

void Window::setIcon(gfx::Surface icon) {
    icon_ = std::move(icon);
    if (isTopLevel() && native_ != 0) {
        desktop_->backend().setWindowIcon(native_, icon_);
    }
}

void Window::setBackground(std::optional<gfx::SysColor> color) {
    background_ = color;
    invalidate();
}

void Window::invalidate() {
    invalidate(clientRect());
}

void Window::invalidate(const gfx::Rect& rect) {
    invalidate(gfx::Region(rect));
}

void Window::invalidate(const gfx::Region& region) {
    if (!isVisible()) {
        return;
    }
    gfx::Region area = region;
    area.intersect(clientRect());
    Window* top = this;
    for (Window* w = this; w->parent_ != nullptr; w = w->parent_) {
        area.translate(w->rect_.left, w->rect_.top);
        area.intersect(w->parent_->clientRect());
        top = w->parent_;
    }
    if (area.empty()) {
        return;
    }
    top->dirty_.unite(area);
    desktop_->schedulePaint(*top);
}

void Window::update() {
    if (exists()) {
        desktop_->paintTopLevel(*topLevel());
    }
}

void Window::setCapture() {
    if (exists()) {
        desktop_->setCapture(this);
    }
}

void Window::releaseCapture() {
    if (Desktop* d = Desktop::current()) {
        d->releaseCapture();
    }
}

bool Window::hasCapture() const {
    return exists() && desktop_->captureWindow() == this;
}

Window* Window::capture() {
    Desktop* d = Desktop::current();
    return d != nullptr ? d->captureWindow() : nullptr;
}

void Window::setFocus() {
    if (exists()) {
        desktop_->setFocus(this);
    }
}

void Window::activate() {
    if (exists()) {
        desktop_->activate(topLevel());
    }
}

bool Window::hasFocus() const {
    return exists() && desktop_->focusWindow() == this;
}

Window* Window::focus() {
    Desktop* d = Desktop::current();
    return d != nullptr ? d->focusWindow() : nullptr;
}

void Window::trackMouseLeave() {
    if (!exists()) {
        return;
    }
    Window* hover = desktop_->hoverWindow();
    if (hover != this) {
        post(msg::MouseLeave);
        return;
    }
    trackingLeave_ = true;
}

bool Window::preTranslateMessage(Window&, MessageId, WParam, LParam) {
    return false;
}

LResult Window::dispatch(MessageId id, WParam wParam, LParam lParam) {
    return windowProc(id, wParam, lParam);
}

LResult Window::windowProc(MessageId id, WParam wParam, LParam lParam) {
    gfx::Point p = unpackPoint(lParam);
    auto keys = unsigned(wParam);
    switch (id) {
    case msg::Destroy:
        onDestroy();
        return 0;
    case msg::MouseMove:
        onMouseMove(p, keys);
        return 0;
    case msg::LButtonDown:
        onButtonDown(MouseButton::Left, p, keys);
        return 0;
    case msg::RButtonDown:
        onButtonDown(MouseButton::Right, p, keys);
        return 0;
    case msg::MButtonDown:
        onButtonDown(MouseButton::Middle, p, keys);
        return 0;
    case msg::LButtonUp:
        onButtonUp(MouseButton::Left, p, keys);
        return 0;
    case msg::RButtonUp:
        onButtonUp(MouseButton::Right, p, keys);
        return 0;
    case msg::MButtonUp:
        onButtonUp(MouseButton::Middle, p, keys);
        return 0;
    case msg::LButtonDblClk:
        onDoubleClick(MouseButton::Left, p, keys);
        return 0;
    case msg::RButtonDblClk:
        onDoubleClick(MouseButton::Right, p, keys);
        return 0;
    case msg::MButtonDblClk:
        onDoubleClick(MouseButton::Middle, p, keys);
        return 0;
    case msg::MouseWheel:
        onMouseWheel(wheelDelta(wParam), p, unsigned(lowWord(wParam)));
        return 0;
    case msg::MouseLeave:
        trackingLeave_ = false;
        onMouseLeave();
        return 0;
    case msg::CaptureChanged:
        onCaptureChanged(handleFromParam(std::uintptr_t(lParam)));
        return 0;
    case msg::KeyDown:
        onKeyDown(int(wParam), (lParam & (LParam(1) << 30)) != 0);
        return 0;
    case msg::KeyUp:
        onKeyUp(int(wParam));
        return 0;
    case msg::Char:
        onChar(char32_t(wParam));
        return 0;
    case msg::SetFocus:
        onSetFocus(handleFromParam(wParam));
        return 0;
    case msg::KillFocus:
        onKillFocus(handleFromParam(wParam));
        return 0;
    case msg::Activate:
        onActivate(wParam != 0);
        return 0;
    case msg::Timer:
        onTimer(wParam);
        return 0;
    case msg::Command:
        onCommand(lowWord(wParam), highWord(wParam), handleFromParam(std::uintptr_t(lParam)));
        return 0;
    case msg::HScroll:
    case msg::VScroll:
        onScroll(id == msg::VScroll, lowWord(wParam), highWord(wParam),
                 handleFromParam(std::uintptr_t(lParam)));
        return 0;
    case msg::Close:
        onClose();
        return 0;
    case msg::Enable:
        onEnable(wParam != 0);
        return 0;
    case msg::ShowWindow:
        onShow(wParam != 0);
        return 0;
    case msg::Size:
        onSize({p.x, p.y});
        return 0;
    case msg::NcLButtonDown:
        onNcButtonDown(wParam, p);
        return 0;
    default:
        return 0;
    }
}

void Window::paint(gfx::Painter& painter) {
    if (background_) {
        painter.fill(clientRect(), *background_);
    }
}

void Window::onDoubleClick(MouseButton button, gfx::Point p, unsigned keys) {
    onButtonDown(button, p, keys);
}

void Window::onMouseWheel(int delta, gfx::Point screen, unsigned keys) {
    if (parent_ != nullptr) {
        parent_->dispatch(msg::MouseWheel, makeWParam(int(keys), delta), packPoint(screen));
    }
}

void Window::onClose() {
    destroyWindow();
}

void Window::onNcButtonDown(WParam hit, gfx::Point screen) {
    if (hit == kHitCaption && exists()) {
        desktop_->beginMoveDrag(*topLevel(), screen);
    }
}

} // namespace lumetta::ui
