#include "platform/ui/Desktop.h"

#include "platform/core/EventLoop.h"
#include "platform/core/MessageQueue.h"
#include "platform/gfx/Painter.h"

#include <algorithm>

namespace lumetta::ui {

namespace {

thread_local Desktop* currentDesktop = nullptr;

// The paint pass travels as one posted message, so that every invalidation made while the
// messages ahead of it are handled is painted together.
constexpr MessageId kPaintMessage = 0x000F;

unsigned buttonFlag(MouseButton button) {
    switch (button) {
    case MouseButton::Left:
        return mk::LButton;
    case MouseButton::Right:
        return mk::RButton;
    case MouseButton::Middle:
        return mk::MButton;
    }
    return 0;
}

MessageId buttonMessage(MouseButton button, bool down, bool doubleClick) {
    MessageId base = button == MouseButton::Left    ? msg::LButtonDown
                     : button == MouseButton::Right ? msg::RButtonDown
                                                    : msg::MButtonDown;
    if (!down) {
        return base + 1;
    }
    return doubleClick ? base + 2 : base;
}

// The characters the platform has always made of these keys.
char32_t charForKey(int key, unsigned modifiers) {
    switch (key) {
    case display::key::Back:
        return 8;
    case display::key::Tab:
        return 9;
    case display::key::Return:
        return 13;
    case display::key::Escape:
        return 27;
    default:
        break;
    }
    bool letter = key >= display::key::LetterA && key < display::key::LetterA + 26;
    if (letter && (modifiers & display::modifier::Control) != 0) {
        return char32_t(key - display::key::LetterA + 1);
    }
    return 0;
}

// UTF-8 to code points; a malformed byte becomes U+FFFD.
std::vector<char32_t> codePoints(const std::string& text) {
    std::vector<char32_t> out;
    for (std::size_t i = 0; i < text.size();) {
        auto c = static_cast<unsigned char>(text[i]);
        int extra = c < 0x80           ? 0
                    : (c >> 5) == 0x6  ? 1
                    : (c >> 4) == 0xE  ? 2
                    : (c >> 3) == 0x1E ? 3
                                       : -1;
        if (extra < 0 || i + std::size_t(extra) >= text.size() + (extra == 0 ? 1 : 0)) {
            out.push_back(0xFFFD);
            ++i;
            continue;
        }
        char32_t cp = extra == 0 ? c : c & (0x3F >> extra);
        bool ok = true;
        for (int k = 1; k <= extra; ++k) {
            auto cc = static_cast<unsigned char>(text[i + std::size_t(k)]);
            if ((cc & 0xC0) != 0x80) {
                ok = false;
                break;
            }
            cp = (cp << 6) | (cc & 0x3F);
        }
        if (!ok) {
            out.push_back(0xFFFD);
            ++i;
            continue;
        }
        out.push_back(cp);
        i += std::size_t(extra) + 1;
    }
    return out;
}

} // namespace

class Desktop::PaintTarget final : public core::Window {
public:
    explicit PaintTarget(Desktop& desktop) : desktop_(desktop) {}
    ~PaintTarget() override { destroy(); }

protected:
    LResult handleMessage(MessageId id, WParam, LParam) override {
        if (id == kPaintMessage) {
            desktop_.paintPosted_ = false;
            desktop_.paintPending();
        }
        return 0;
    }

private:
    Desktop& desktop_;
};

Desktop::Desktop(std::unique_ptr<display::DisplayBackend> backend) : backend_(std::move(backend)) {
    currentDesktop = this;
    core::MessageQueue& queue = core::MessageQueue::current();
    queue.setClock(backend_->clock());
    queue.setBackend(this);
    paintTarget_ = std::make_unique<PaintTarget>(*this);
}

Desktop::~Desktop() {
    // Windows still alive lose their native windows now; their objects may outlive us.
    for (Window* w : topLevelWindows()) {
        w->destroyWindow();
    }
    paintTarget_.reset();
    core::MessageQueue& queue = core::MessageQueue::current();
    queue.setBackend(nullptr);
    queue.setClock(core::Clock::steady());
    if (currentDesktop == this) {
        currentDesktop = nullptr;
    }
}

Desktop* Desktop::current() {
    return currentDesktop;
}

// --- loop backend ---

void Desktop::waitForEvents(std::optional<core::Duration> timeout) {
    backend_->waitEvents(timeout);
}

void Desktop::wake() {
    backend_->wake();
}

bool Desktop::dispatchEvents() {
    // One event per turn, so that posted messages and events interleave as they came.
    display::DisplayEvent event;
    if (!backend_->pollEvent(event)) {
        return false;
    }
    handleEvent(event);
    return true;
}

bool Desktop::processPending() {
    bool any = false;
    while (core::EventLoop::pumpOne()) {
        any = true;
    }
    paintPending();
    return any;
}

// --- windows ---

void Desktop::registerWindow(Window& window) {
    byHandle_[window.handle().value()] = &window;
}

void Desktop::unregisterWindow(Window& window) {
    byHandle_.erase(window.handle().value());
}

Window* Desktop::windowFromHandle(WindowHandle handle) const {
    auto it = byHandle_.find(handle.value());
    return it == byHandle_.end() ? nullptr : it->second;
}

Window* Desktop::windowFromNative(display::NativeWindowId native) const {
    auto it = byNative_.find(native);
    return it == byNative_.end() ? nullptr : it->second;
}

std::vector<Window*> Desktop::topLevelWindows() const {
    std::vector<Window*> out;
    for (bool topmost : {false, true}) {
        for (WindowHandle h : stack_) {
            Window* w = windowFromHandle(h);
            if (w != nullptr && w->topmost_ == topmost) {
                out.push_back(w);
            }
        }
    }
    return out;
}

Window* Desktop::findWindow(const std::string& title) const {
    auto all = topLevelWindows();
    for (auto it = all.rbegin(); it != all.rend(); ++it) {
        if ((*it)->title() == title) {
            return *it;
        }
    }
    return nullptr;
}

Window* Desktop::windowAt(gfx::Point screen) const {
    auto all = topLevelWindows();
    for (auto it = all.rbegin(); it != all.rend(); ++it) {
        Window* w = *it;
        if (!w->visible_ || w->minimized_) {
            continue;
        }
        gfx::Point local{screen.x - w->rect_.left, screen.y - w->rect_.top};
        if (w->hitTest(local)) {
            return w->childAt(local);
        }
    }
    return nullptr;
}

Window* Desktop::activeWindow() const {
    return windowFromHandle(active_);
}

Window* Desktop::focusWindow() const {
    return windowFromHandle(focus_);
}

Window* Desktop::captureWindow() const {
    if (Window* w = windowFromHandle(capture_)) {
        return w;
    }
    return windowFromHandle(implicitCapture_);
}

Window* Desktop::hoverWindow() const {
    return windowFromHandle(hover_);
}

void Desktop::topLevelCreated(Window& window, const CreateParams& params) {
    display::WindowSpec desc;
    desc.rect = params.rect;
    desc.title = params.title;
    desc.popup = params.popup;
    desc.topmost = params.topmost;
    if (Window* owner = window.owner()) {
        desc.owner = owner->native_;
    }
    window.native_ = backend_->createWindow(desc);
    if (window.native_ != 0) {
        byNative_[window.native_] = &window;
    }
    stack_.push_back(window.handle());
}

Window* Desktop::enabledOwnedWindow(Window& owner) const {
    auto all = topLevelWindows();
    for (auto it = all.rbegin(); it != all.rend(); ++it) {
        Window* w = *it;
        if (w->owner_ == owner.handle() && w->visible_ && !w->popup_) {
            return w->isEnabled() ? w : enabledOwnedWindow(*w);
        }
    }
    return nullptr;
}

void Desktop::destroyOwned(Window& owner) {
    for (Window* w : topLevelWindows()) {
        if (w->owner_ == owner.handle()) {
            w->destroyWindow();
        }
    }
}

void Desktop::topLevelDestroyed(Window& window) {
    WindowHandle h = window.handle();
    std::erase(stack_, h);
    std::erase(pendingPaint_, h);
    if (window.native_ != 0) {
        if (captureNative_ == window.native_) {
            captureNative_ = 0;
        }
        backend_->destroyWindow(window.native_);
        byNative_.erase(window.native_);
    }
    if (moveDrag_ && moveDrag_->window == h) {
        moveDrag_.reset();
    }
    if (active_ == h) {
        active_ = {};
    }
    for (Window* w : topLevelWindows()) {
        if (composedHere(*w)) {
            w->invalidate();
        }
    }
}

void Desktop::raiseTopLevel(Window& window) {
    WindowHandle h = window.handle();
    std::erase(stack_, h);
    stack_.push_back(h);
    if (window.native_ != 0) {
        backend_->raiseWindow(window.native_);
    }
    for (Window* w : topLevelWindows()) {
        if (w != &window && w->owner_ == h) {
            raiseTopLevel(*w);
        }
    }
}

void Desktop::showTopLevel(Window& window, bool visible) {
    window.visible_ = visible;
    if (visible) {
        raiseTopLevel(window);
        backend_->showWindow(window.native_, true, !window.popup_);
        if (!window.popup_) {
            activate(&window);
        }
        window.invalidate();
        return;
    }
    backend_->showWindow(window.native_, false, false);
    window.dirty_ = gfx::Region();
    if (Window* c = captureWindow(); c != nullptr && c->isWithin(window)) {
        releaseCapture();
    }
    if (Window* hover = hoverWindow(); hover != nullptr && hover->isWithin(window)) {
        setHover(nullptr);
    }
    if (active_ == window.handle()) {
        activate(nullptr);
    }
    for (Window* w : topLevelWindows()) {
        if (composedHere(*w)) {
            w->invalidate();
        }
    }
}

void Desktop::topLevelMoved(Window& window, const gfx::Rect& old) {
    backend_->setWindowRect(window.native_, window.rect_);
    if (old.size() != window.rect_.size()) {
        window.content_ = gfx::Surface();
        window.dirty_ = gfx::Region();
        window.invalidate();
    }
    for (Window* w : topLevelWindows()) {
        if (composedHere(*w)) {
            w->invalidate();
        }
    }
}

void Desktop::topLevelDisabled(Window& window) {
    if (Window* c = captureWindow(); c != nullptr && c->isWithin(window)) {
        releaseCapture();
    }
    if (Window* f = focusWindow(); f != nullptr && f->isWithin(window) && !window.isTopLevel()) {
        setFocus(nullptr);
    }
    if (moveDrag_ && moveDrag_->window == window.handle()) {
        moveDrag_.reset();
    }
}

void Desktop::updateLayered(Window& window) {
    if (window.native_ == 0) {
        return;
    }
    if (composedHere(window)) {
        backend_->setWindowAlpha(window.native_, 255, std::nullopt);
    } else {
        window.content_ = gfx::Surface();
        backend_->setWindowAlpha(window.native_, window.alpha_, window.colorKey_);
    }
    window.invalidate();
}

// --- capture, focus, activation ---

void Desktop::setBackendCapture(display::NativeWindowId native) {
    if (captureNative_ == native) {
        return;
    }
    if (captureNative_ != 0) {
        backend_->setMouseCapture(captureNative_, false);
    }
    captureNative_ = native;
    if (native != 0) {
        backend_->setMouseCapture(native, true);
    }
}

void Desktop::setCapture(Window* window) {
    Window* old = windowFromHandle(capture_);
    capture_ = window->handle();
    implicitCapture_ = {};
    setBackendCapture(window->topLevel()->native_);
    if (old != nullptr && old != window) {
        old->dispatch(msg::CaptureChanged, 0, handleParam(window->handle()));
    }
}

void Desktop::releaseCapture() {
    Window* old = windowFromHandle(capture_);
    capture_ = {};
    implicitCapture_ = {};
    if (!moveDrag_) {
        setBackendCapture(0);
    }
    if (old != nullptr) {
        old->dispatch(msg::CaptureChanged, 0, 0);
    }
}

void Desktop::setFocus(Window* window) {
    if (window != nullptr && (!window->exists() || !window->isEnabled())) {
        return;
    }
    Window* old = focusWindow();
    if (old == window) {
        return;
    }
    if (window != nullptr) {
        Window* top = window->topLevel();
        if (top->popup_) {
            return;
        }
        top->lastFocus_ = window->handle();
        if (activeWindow() != top) {
            activate(top); // gives the focus to lastFocus_
            return;
        }
    }
    WindowHandle next = window != nullptr ? window->handle() : WindowHandle{};
    focus_ = next;
    if (old != nullptr) {
        old->dispatch(msg::KillFocus, WParam(next.value()), 0);
    }
    if (Window* now = windowFromHandle(next); now != nullptr && focus_ == next) {
        now->dispatch(msg::SetFocus, old != nullptr ? WParam(old->handle().value()) : 0, 0);
    }
    updateTextInput();
}

void Desktop::activate(Window* topLevel) {
    Window* old = activeWindow();
    if (old == topLevel) {
        return;
    }
    if (topLevel != nullptr && (topLevel->popup_ || !topLevel->exists())) {
        return;
    }
    WindowHandle next = topLevel != nullptr ? topLevel->handle() : WindowHandle{};
    active_ = next;
    if (topLevel != nullptr) {
        backend_->activateWindow(topLevel->native_);
    }
    if (Window* f = focusWindow();
        f != nullptr && (topLevel == nullptr || !f->isWithin(*topLevel))) {
        focus_ = {};
        f->dispatch(msg::KillFocus, 0, 0);
    }
    if (old != nullptr) {
        old->dispatch(msg::Activate, 0, 0);
    }
    Window* now = windowFromHandle(next);
    if (now == nullptr || active_ != next) {
        updateTextInput();
        return;
    }
    now->dispatch(msg::Activate, 1, 0);
    Window* want = windowFromHandle(now->lastFocus_);
    if (want == nullptr || !want->isWithin(*now) || !want->isEnabled()) {
        want = now;
    }
    if (active_ == next) {
        setFocus(want);
    }
    updateTextInput();
}

void Desktop::updateTextInput() {
    Window* f = focusWindow();
    bool want = f != nullptr && f->wantsTextInput();
    if (want) {
        Window* top = f->topLevel();
        gfx::Point off = f->offsetInTopLevel();
        backend_->startTextInput(top->native_, f->caretRect().translated(off.x, off.y));
    } else if (textInput_) {
        backend_->stopTextInput();
    }
    textInput_ = want;
}

void Desktop::beginMoveDrag(Window& topLevel, gfx::Point) {
    if ((buttons_ & mk::LButton) == 0 || !topLevel.isTopLevel()) {
        return;
    }
    if (backend_->capabilities().moveByDrag && backend_->beginMove(topLevel.native_)) {
        return;
    }
    moveDrag_ = MoveDrag{topLevel.handle(), cursor_, topLevel.rect_.topLeft()};
    setBackendCapture(topLevel.native_);
}

// --- input ---

unsigned Desktop::keyFlags() const {
    unsigned flags = buttons_;
    if ((modifiers_ & display::modifier::Shift) != 0) {
        flags |= mk::Shift;
    }
    if ((modifiers_ & display::modifier::Control) != 0) {
        flags |= mk::Control;
    }
    return flags;
}

void Desktop::handleEvent(const display::DisplayEvent& event) {
    using Type = display::DisplayEvent::Type;
    Window* window = windowFromNative(event.window);
    switch (event.type) {
    case Type::MouseMove:
    case Type::ButtonDown:
    case Type::ButtonUp:
    case Type::Wheel:
        routeMouse(event);
        return;
    case Type::MouseLeft:
        if (Window* hover = hoverWindow(); hover != nullptr && window != nullptr &&
                                           hover->isWithin(*window) && captureWindow() == nullptr) {
            setHover(nullptr);
        }
        return;
    case Type::KeyDown:
    case Type::KeyUp:
        routeKey(event);
        return;
    case Type::Text:
        for (char32_t ch : codePoints(event.text)) {
            routeChar(ch);
        }
        return;
    case Type::FocusGained:
        // A window disabled by a modal dialog hands the activation to the dialog.
        if (window != nullptr && !window->isEnabled()) {
            window = enabledOwnedWindow(*window);
        }
        if (window != nullptr) {
            activate(window);
        }
        return;
    case Type::FocusLost:
        if (window != nullptr && activeWindow() == window) {
            activate(nullptr);
        }
        return;
    case Type::CloseRequested:
        if (window != nullptr) {
            window->post(msg::Close);
        }
        return;
    case Type::Moved:
        if (window != nullptr) {
            window->rect_ = gfx::Rect::fromSize(event.point.x, event.point.y, window->rect_.width(),
                                                window->rect_.height());
            window->dispatch(msg::Move, 0, packPoint(event.point));
        }
        return;
    case Type::Minimized:
        if (window != nullptr && !window->minimized_) {
            window->minimized_ = true;
            window->dispatch(msg::Size, kSizeMinimized, 0);
        }
        return;
    case Type::Restored:
        if (window != nullptr && window->minimized_) {
            window->minimized_ = false;
            window->dispatch(msg::Size, kSizeRestored,
                             packPoint({window->rect_.width(), window->rect_.height()}));
            window->invalidate();
        }
        return;
    case Type::Exposed:
        if (window != nullptr) {
            window->invalidate();
        }
        return;
    }
}

void Desktop::setHover(Window* window) {
    Window* old = hoverWindow();
    if (old == window) {
        return;
    }
    hover_ = window != nullptr ? window->handle() : WindowHandle{};
    if (old != nullptr && old->trackingLeave_) {
        old->trackingLeave_ = false;
        old->post(msg::MouseLeave);
    }
}

bool Desktop::deliverInput(Window& target, MessageId id, WParam wParam, LParam lParam) {
    WindowHandle h = target.handle();
    for (Window* w = &target; w != nullptr; w = w->parent_) {
        if (w->preTranslateMessage(target, id, wParam, lParam)) {
            return false;
        }
        if (windowFromHandle(h) == nullptr) {
            return false;
        }
    }
    target.dispatch(id, wParam, lParam);
    return true;
}

bool Desktop::moveDragEvent(const display::DisplayEvent& event, gfx::Point screen) {
    if (!moveDrag_) {
        return false;
    }
    Window* window = windowFromHandle(moveDrag_->window);
    if (window == nullptr) {
        moveDrag_.reset();
        return false;
    }
    using Type = display::DisplayEvent::Type;
    if (event.type == Type::MouseMove) {
        window->moveTo({moveDrag_->start.x + screen.x - moveDrag_->grab.x,
                        moveDrag_->start.y + screen.y - moveDrag_->grab.y});
    } else if (event.type == Type::ButtonUp && event.button == MouseButton::Left) {
        moveDrag_.reset();
        implicitCapture_ = {};
        if (captureWindow() == nullptr) {
            setBackendCapture(0);
        }
    }
    return true;
}

void Desktop::routeMouse(const display::DisplayEvent& event) {
    using Type = display::DisplayEvent::Type;
    Window* from = windowFromNative(event.window);
    gfx::Point screen = event.point;
    if (from != nullptr) {
        screen = {from->rect_.left + event.point.x, from->rect_.top + event.point.y};
    }
    cursor_ = screen;
    modifiers_ = event.modifiers;
    unsigned flag = buttonFlag(event.button);
    if (event.type == Type::ButtonDown) {
        buttons_ |= flag;
    } else if (event.type == Type::ButtonUp) {
        buttons_ &= ~flag;
    }
    if (moveDragEvent(event, screen)) {
        return;
    }
    Window* under = windowAt(screen);
    setHover(under);
    Window* target = captureWindow();
    if (target == nullptr && under != nullptr && under->topLevel()->isEnabled()) {
        target = under;
    }
    WindowHandle targetHandle = target != nullptr ? target->handle() : WindowHandle{};
    if (target != nullptr) {
        switch (event.type) {
        case Type::MouseMove:
            deliverInput(*target, msg::MouseMove, keyFlags(),
                         packPoint(target->screenToClient(screen)));
            break;
        case Type::ButtonDown: {
            if (captureWindow() == nullptr) {
                implicitCapture_ = targetHandle;
                setBackendCapture(target->topLevel()->native_);
            }
            Window* top = target->topLevel();
            if (!top->popup_ && activeWindow() != top) {
                activate(top);
            }
            target = windowFromHandle(targetHandle);
            if (target != nullptr) {
                bool dbl = event.clicks == 2 && target->acceptsDoubleClicks();
                deliverInput(*target, buttonMessage(event.button, true, dbl), keyFlags(),
                             packPoint(target->screenToClient(screen)));
            }
            break;
        }
        case Type::ButtonUp:
            deliverInput(*target, buttonMessage(event.button, false, false), keyFlags(),
                         packPoint(target->screenToClient(screen)));
            break;
        case Type::Wheel:
            deliverInput(*target, msg::MouseWheel, makeWParam(int(keyFlags()), event.wheelDelta),
                         packPoint(screen));
            break;
        default:
            break;
        }
    }
    if (event.type == Type::ButtonUp && buttons_ == 0) {
        implicitCapture_ = {};
        if (windowFromHandle(capture_) == nullptr) {
            setBackendCapture(0);
        }
    }
    Window* shown = windowFromHandle(targetHandle);
    display::Cursor cursor =
        shown != nullptr ? shown->cursorAt(shown->screenToClient(screen)) : display::Cursor::Arrow;
    if (cursor != shownCursor_) {
        shownCursor_ = cursor;
        backend_->setCursor(cursor);
    }
}

void Desktop::routeKey(const display::DisplayEvent& event) {
    modifiers_ = event.modifiers;
    Window* target = focusWindow();
    if (target == nullptr) {
        target = activeWindow();
    }
    if (target == nullptr || !target->topLevel()->isEnabled()) {
        return;
    }
    if (event.type == display::DisplayEvent::Type::KeyUp) {
        deliverInput(*target, msg::KeyUp, WParam(event.key), LParam(0xC0000001));
        return;
    }
    LParam flags = 1 | (event.repeat ? LParam(1) << 30 : 0);
    if (!deliverInput(*target, msg::KeyDown, WParam(event.key), flags)) {
        return;
    }
    if (char32_t ch = charForKey(event.key, event.modifiers); ch != 0) {
        routeChar(ch);
    }
}

void Desktop::routeChar(char32_t ch) {
    Window* target = focusWindow();
    if (target == nullptr) {
        target = activeWindow();
    }
    if (target == nullptr || !target->topLevel()->isEnabled()) {
        return;
    }
    deliverInput(*target, msg::Char, WParam(ch), 1);
}

// --- painting ---

void Desktop::schedulePaint(Window& topLevel) {
    WindowHandle h = topLevel.handle();
    if (std::find(pendingPaint_.begin(), pendingPaint_.end(), h) == pendingPaint_.end()) {
        pendingPaint_.push_back(h);
    }
    if (!paintPosted_) {
        paintPosted_ = paintTarget_->post(kPaintMessage);
    }
}

void Desktop::paintPending() {
    // Painting may invalidate again (a window that sizes itself while painting); a few rounds
    // settle it without letting a window that always invalidates hold the loop.
    for (int round = 0; round < 4 && !pendingPaint_.empty(); ++round) {
        std::vector<WindowHandle> pending;
        pending.swap(pendingPaint_);
        for (WindowHandle h : pending) {
            if (Window* w = windowFromHandle(h)) {
                paintTopLevel(*w);
            }
        }
    }
}

bool Desktop::composedHere(const Window& window) const {
    display::DisplayCapabilities caps = backend_->capabilities();
    return (window.alpha_ != 255 && !caps.constantAlpha) ||
           (window.colorKey_.has_value() && !caps.colorKey);
}

void Desktop::paintTopLevel(Window& window) {
    std::erase(pendingPaint_, window.handle());
    gfx::Region dirty = std::move(window.dirty_);
    window.dirty_ = gfx::Region();
    if (dirty.empty() || !window.visible_ || window.native_ == 0) {
        return;
    }
    bool composed = composedHere(window);
    gfx::Surface* surface = &backend_->frameBuffer(window.native_);
    if (composed) {
        if (window.content_.size() != window.size()) {
            window.content_ = gfx::Surface(window.rect_.width(), window.rect_.height());
            dirty = gfx::Region(window.clientRect());
        }
        surface = &window.content_;
    }
    if (surface->size() != window.size()) {
        return;
    }
    {
        gfx::Painter painter(*surface);
        if (dirty.rectCount() == 1) {
            painter.clip(dirty.bounds()); // the common case, and cheaper for every child
        } else {
            painter.clip(dirty);
        }
        paintTree(painter, window, true);
    }
    if (composed) {
        compose(window, dirty);
    }
    backend_->present(window.native_, dirty);
    recomposeAbove(window, dirty);
}

void Desktop::paintTree(gfx::Painter& painter, Window& window, bool root) {
    if (!window.visible_) {
        return;
    }
    gfx::PainterSave saved(painter);
    if (!root) {
        painter.translate(window.rect_.left, window.rect_.top);
        painter.clip(window.clientRect());
        if (window.region_) {
            painter.clip(*window.region_);
        }
    }
    if (painter.clipBounds().empty()) {
        return;
    }
    window.paint(painter);
    for (std::size_t i = 0; i < window.children_.size(); ++i) {
        paintTree(painter, *window.children_[i], false);
    }
}

// What a translucent or keyed window shows when the display cannot mix it: the windows below
// it, then its own pixels without the key colour, at its alpha.
void Desktop::compose(Window& window, const gfx::Region& area) {
    gfx::Surface& target = backend_->frameBuffer(window.native_);
    if (target.size() != window.size() || window.content_.size() != window.size()) {
        return;
    }
    gfx::Rect bounds = area.bounds().intersected(window.clientRect());
    if (bounds.empty()) {
        return;
    }
    gfx::Painter painter(target);
    painter.clip(area);
    painter.fill(bounds, 0);
    for (Window* below : topLevelWindows()) {
        if (below == &window) {
            break;
        }
        if (!below->visible_ || below->minimized_ || below->native_ == 0) {
            continue;
        }
        gfx::Rect overlap = below->rect_.intersected(window.rect_);
        if (overlap.empty()) {
            continue;
        }
        const gfx::Surface& pixels = backend_->frameBuffer(below->native_);
        painter.copy(pixels, overlap.translated(-below->rect_.left, -below->rect_.top),
                     {overlap.left - window.rect_.left, overlap.top - window.rect_.top});
    }
    gfx::Surface piece = window.content_.crop(bounds);
    if (window.colorKey_) {
        for (int y = 0; y < piece.height(); ++y) {
            for (gfx::Pixel& p : piece.row(y)) {
                if (gfx::sysColorFromPixel(p) == *window.colorKey_) {
                    p = 0;
                }
            }
        }
    }
    painter.blend(piece, piece.bounds(), bounds.topLeft(), window.alpha_);
}

void Desktop::recomposeAbove(Window& window, const gfx::Region& changed) {
    bool above = false;
    for (Window* w : topLevelWindows()) {
        if (w == &window) {
            above = true;
            continue;
        }
        if (!above || !composedHere(*w) || !w->visible_ || w->content_.empty()) {
            continue;
        }
        gfx::Region area = changed;
        area.translate(window.rect_.left - w->rect_.left, window.rect_.top - w->rect_.top);
        area.intersect(w->clientRect());
        if (area.empty()) {
            continue;
        }
        compose(*w, area);
        backend_->present(w->native_, area);
    }
}

} // namespace lumetta::ui
