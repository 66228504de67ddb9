#include "platform/display/headless/HeadlessDisplay.h"

#include "platform/gfx/Painter.h"

#include <algorithm>
#include <cstdlib>

namespace lumetta::display {

namespace {

using gfx::Pixel;

// Source over destination with the source's own alpha further scaled by alpha.
Pixel blendOver(Pixel dst, Pixel src, std::uint8_t alpha) {
    if (alpha == 255 && gfx::pixelAlpha(src) == 255) {
        return src;
    }
    auto scale = [&](std::uint8_t c) { return gfx::multiplyAlpha(c, alpha); };
    std::uint8_t sa = scale(gfx::pixelAlpha(src));
    std::uint8_t inv = std::uint8_t(255 - sa);
    auto mix = [&](std::uint8_t s, std::uint8_t d) {
        unsigned v = unsigned(scale(s)) + gfx::multiplyAlpha(d, inv);
        return std::uint8_t(std::min(v, 255u));
    };
    return gfx::makePixel(mix(gfx::pixelAlpha(src), gfx::pixelAlpha(dst)),
                          mix(gfx::pixelRed(src), gfx::pixelRed(dst)),
                          mix(gfx::pixelGreen(src), gfx::pixelGreen(dst)),
                          mix(gfx::pixelBlue(src), gfx::pixelBlue(dst)));
}

DisplayEvent windowEvent(DisplayEvent::Type type, NativeWindowId window) {
    DisplayEvent e;
    e.type = type;
    e.window = window;
    return e;
}

DisplayEvent keyEvent(DisplayEvent::Type type, NativeWindowId window, int key, unsigned modifiers) {
    DisplayEvent e = windowEvent(type, window);
    e.key = key;
    e.modifiers = modifiers;
    return e;
}

unsigned buttonBit(MouseButton button) {
    return 1u << unsigned(button);
}

unsigned modifierOf(int key) {
    switch (key) {
    case key::Shift:
        return modifier::Shift;
    case key::Control:
        return modifier::Control;
    case key::Alt:
        return modifier::Alt;
    default:
        return 0;
    }
}

} // namespace

HeadlessDisplay::HeadlessDisplay() : HeadlessDisplay(Options{}) {}

HeadlessDisplay::HeadlessDisplay(Options options) : options_(options) {}

HeadlessDisplay::~HeadlessDisplay() = default;

core::Clock& HeadlessDisplay::clock() {
    if (options_.clock != nullptr) {
        return *options_.clock;
    }
    return core::Clock::steady();
}

HeadlessDisplay::Native* HeadlessDisplay::find(NativeWindowId window) {
    auto it = windows_.find(window);
    return it == windows_.end() ? nullptr : &it->second;
}

const HeadlessDisplay::Native* HeadlessDisplay::find(NativeWindowId window) const {
    auto it = windows_.find(window);
    return it == windows_.end() ? nullptr : &it->second;
}

NativeWindowId HeadlessDisplay::createWindow(const WindowSpec& desc) {
    std::lock_guard lock(mutex_);
    NativeWindowId id = nextId_++;
    Native native;
    native.info.id = id;
    native.info.title = desc.title;
    native.info.rect = desc.rect;
    native.info.owner = desc.owner;
    native.info.popup = desc.popup;
    native.info.topmost = desc.topmost;
    native.pixels = gfx::Surface(desc.rect.width(), desc.rect.height());
    windows_.emplace(id, std::move(native));
    order_.push_back(id);
    return id;
}

void HeadlessDisplay::destroyWindow(NativeWindowId window) {
    std::lock_guard lock(mutex_);
    if (windows_.erase(window) == 0) {
        return;
    }
    std::erase(order_, window);
    if (capture_ == window) {
        capture_ = 0;
    }
    if (pointerWindow_ == window) {
        pointerWindow_ = 0;
    }
    if (active_ == window) {
        active_ = 0;
        handFocusOnLocked(window);
    }
}

void HeadlessDisplay::setWindowTitle(NativeWindowId window, const std::string& title) {
    std::lock_guard lock(mutex_);
    if (Native* n = find(window)) {
        n->info.title = title;
    }
}

void HeadlessDisplay::setWindowRect(NativeWindowId window, const gfx::Rect& rect) {
    std::lock_guard lock(mutex_);
    Native* n = find(window);
    if (n == nullptr) {
        return;
    }
    if (rect.size() != n->info.rect.size()) {
        n->pixels = gfx::Surface(rect.width(), rect.height());
    }
    n->info.rect = rect;
}

void HeadlessDisplay::showWindow(NativeWindowId window, bool visible, bool activate) {
    std::lock_guard lock(mutex_);
    Native* n = find(window);
    if (n == nullptr || n->info.visible == visible) {
        if (n != nullptr && visible && activate) {
            activateLocked(window, false);
        }
        return;
    }
    n->info.visible = visible;
    if (visible) {
        raiseLocked(window);
        if (activate) {
            activateLocked(window, false);
        }
        return;
    }
    if (pointerWindow_ == window) {
        pointerWindow_ = 0;
    }
    if (active_ == window) {
        handFocusOnLocked(window);
    }
}

void HeadlessDisplay::raiseWindow(NativeWindowId window) {
    std::lock_guard lock(mutex_);
    raiseLocked(window);
}

void HeadlessDisplay::raiseLocked(NativeWindowId window) {
    if (find(window) == nullptr) {
        return;
    }
    std::erase(order_, window);
    order_.push_back(window);
    // Owned windows stay above their owner.
    std::vector<NativeWindowId> owned;
    for (NativeWindowId id : order_) {
        if (id != window && find(id)->info.owner == window) {
            owned.push_back(id);
        }
    }
    for (NativeWindowId id : owned) {
        raiseLocked(id);
    }
}

void HeadlessDisplay::setTopmost(NativeWindowId window, bool topmost) {
    std::lock_guard lock(mutex_);
    if (Native* n = find(window)) {
        n->info.topmost = topmost;
        raiseLocked(window);
    }
}

void HeadlessDisplay::minimizeWindow(NativeWindowId window) {
    std::lock_guard lock(mutex_);
    Native* n = find(window);
    if (n == nullptr || n->info.minimized) {
        return;
    }
    n->info.minimized = true;
    pushLocked(windowEvent(DisplayEvent::Type::Minimized, window));
    if (active_ == window) {
        handFocusOnLocked(window);
    }
}

void HeadlessDisplay::restoreWindow(NativeWindowId window) {
    std::lock_guard lock(mutex_);
    Native* n = find(window);
    if (n == nullptr || !n->info.minimized) {
        return;
    }
    n->info.minimized = false;
    pushLocked(windowEvent(DisplayEvent::Type::Restored, window));
    raiseLocked(window);
    activateLocked(window, false);
}

void HeadlessDisplay::activateWindow(NativeWindowId window) {
    std::lock_guard lock(mutex_);
    activateLocked(window, false);
}

void HeadlessDisplay::activateLocked(NativeWindowId window, bool report) {
    const Native* n = find(window);
    if (n == nullptr || !n->info.visible || n->info.popup || active_ == window) {
        return;
    }
    if (active_ != 0 && report) {
        pushLocked(windowEvent(DisplayEvent::Type::FocusLost, active_));
    }
    active_ = window;
    if (report) {
        pushLocked(windowEvent(DisplayEvent::Type::FocusGained, window));
        return;
    }
    // The program's request is newer than any focus news not yet delivered.
    std::erase_if(events_, [](const DisplayEvent& e) {
        return e.type == DisplayEvent::Type::FocusGained || e.type == DisplayEvent::Type::FocusLost;
    });
}

// As a window manager does when the active window goes: the focus moves to the owner when it
// can take it, else to the highest window that can.
void HeadlessDisplay::handFocusOnLocked(NativeWindowId leaving) {
    if (active_ == leaving) {
        pushLocked(windowEvent(DisplayEvent::Type::FocusLost, leaving));
        active_ = 0;
    }
    auto canTake = [&](NativeWindowId id) {
        const Native* n = find(id);
        return n != nullptr && n->info.visible && !n->info.minimized && !n->info.popup &&
               id != leaving;
    };
    NativeWindowId next = 0;
    if (const Native* n = find(leaving); n != nullptr && canTake(n->info.owner)) {
        next = n->info.owner;
    }
    for (auto it = order_.rbegin(); next == 0 && it != order_.rend(); ++it) {
        if (canTake(*it)) {
            next = *it;
        }
    }
    if (next != 0) {
        activateLocked(next, true);
    }
}

void HeadlessDisplay::setWindowShape(NativeWindowId window, const gfx::Region* region) {
    std::lock_guard lock(mutex_);
    if (Native* n = find(window)) {
        n->info.shape = region != nullptr ? std::optional<gfx::Region>(*region) : std::nullopt;
    }
}

void HeadlessDisplay::setWindowAlpha(NativeWindowId window, std::uint8_t alpha,
                                     std::optional<gfx::SysColor> key) {
    std::lock_guard lock(mutex_);
    if (Native* n = find(window)) {
        n->info.alpha = alpha;
        n->info.colorKey = key;
    }
}

void HeadlessDisplay::setWindowIcon(NativeWindowId window, const gfx::Surface& icon) {
    std::lock_guard lock(mutex_);
    if (Native* n = find(window)) {
        n->info.hasIcon = !icon.empty();
    }
}

gfx::Surface& HeadlessDisplay::frameBuffer(NativeWindowId window) {
    std::lock_guard lock(mutex_);
    static gfx::Surface none;
    Native* n = find(window);
    return n != nullptr ? n->pixels : none;
}

void HeadlessDisplay::present(NativeWindowId window, const gfx::Region&) {
    std::lock_guard lock(mutex_);
    if (Native* n = find(window)) {
        ++n->info.presents;
    }
}

void HeadlessDisplay::setCursor(Cursor cursor) {
    std::lock_guard lock(mutex_);
    cursor_ = cursor;
}

void HeadlessDisplay::setMouseCapture(NativeWindowId window, bool captured) {
    std::lock_guard lock(mutex_);
    if (captured) {
        capture_ = window;
    } else if (capture_ == window) {
        capture_ = 0;
    }
}

void HeadlessDisplay::startTextInput(NativeWindowId, const gfx::Rect& caret) {
    std::lock_guard lock(mutex_);
    textInput_ = true;
    textInputRect_ = caret;
}

void HeadlessDisplay::stopTextInput() {
    std::lock_guard lock(mutex_);
    textInput_ = false;
}

bool HeadlessDisplay::beginMove(NativeWindowId) {
    // Tests watch the layer move windows itself, which is what displays without a window manager
    // move do; the capability says so.
    return false;
}

bool HeadlessDisplay::pollEvent(DisplayEvent& event) {
    std::lock_guard lock(mutex_);
    if (events_.empty()) {
        return false;
    }
    event = std::move(events_.front());
    events_.pop_front();
    return true;
}

void HeadlessDisplay::waitEvents(std::optional<core::Duration> timeout) {
    std::unique_lock lock(mutex_);
    if (!events_.empty()) {
        woken_ = false;
        return;
    }
    if (!steps_.empty()) {
        auto step = std::move(steps_.front());
        steps_.pop_front();
        woken_ = false;
        lock.unlock();
        step();
        return;
    }
    if (woken_) {
        woken_ = false;
        return;
    }
    if (timeout && options_.clock != nullptr && options_.advanceClockWhenIdle) {
        lock.unlock();
        options_.clock->advance(*timeout);
        return;
    }
    auto ready = [this] { return woken_ || !events_.empty(); };
    if (timeout) {
        wakeup_.wait_for(lock, *timeout, ready);
    } else {
        wakeup_.wait(lock, ready);
    }
    woken_ = false;
}

void HeadlessDisplay::wake() {
    {
        std::lock_guard lock(mutex_);
        woken_ = true;
    }
    wakeup_.notify_all();
}

void HeadlessDisplay::push(DisplayEvent event) {
    {
        std::lock_guard lock(mutex_);
        pushLocked(std::move(event));
    }
    wakeup_.notify_all();
}

void HeadlessDisplay::pushLocked(DisplayEvent event) {
    events_.push_back(std::move(event));
    woken_ = true;
}

gfx::Point HeadlessDisplay::toScreenLocked(NativeWindowId window, gfx::Point point) const {
    const Native* n = find(window);
    if (n == nullptr) {
        return point;
    }
    return {n->info.rect.left + point.x, n->info.rect.top + point.y};
}

DisplayEvent HeadlessDisplay::mouseEvent(DisplayEvent::Type type, NativeWindowId window,
                                         gfx::Point point) const {
    DisplayEvent e;
    e.type = type;
    e.window = window;
    e.point = point;
    e.modifiers = modifiers_;
    return e;
}

void HeadlessDisplay::pointerToLocked(NativeWindowId window) {
    if (pointerWindow_ != 0 && pointerWindow_ != window && find(pointerWindow_) != nullptr) {
        pushLocked(windowEvent(DisplayEvent::Type::MouseLeft, pointerWindow_));
    }
    pointerWindow_ = window;
}

void HeadlessDisplay::move(NativeWindowId window, gfx::Point point) {
    {
        std::lock_guard lock(mutex_);
        pointerToLocked(window);
        pushLocked(mouseEvent(DisplayEvent::Type::MouseMove, window, point));
    }
    wakeup_.notify_all();
}

void HeadlessDisplay::press(NativeWindowId window, gfx::Point point, MouseButton button) {
    {
        std::lock_guard lock(mutex_);
        pointerToLocked(window);
        if (const Native* n = find(window); n != nullptr && active_ != window && !n->info.popup) {
            activateLocked(window, true);
        }
        gfx::Point screen = toScreenLocked(window, point);
        core::TimePoint now = options_.clock ? options_.clock->now() : core::Clock::steady().now();
        int clicks = 1;
        if (lastPress_ && lastPress_->button == button && lastPress_->clicks == 1 &&
            now - lastPress_->time <= std::chrono::milliseconds(kDoubleClickMs) &&
            std::abs(screen.x - lastPress_->screen.x) <= kDoubleClickDistance &&
            std::abs(screen.y - lastPress_->screen.y) <= kDoubleClickDistance) {
            clicks = 2;
        }
        lastPress_ = LastPress{now, screen, button, clicks};
        buttonsDown_ |= buttonBit(button);
        DisplayEvent e = mouseEvent(DisplayEvent::Type::ButtonDown, window, point);
        e.button = button;
        e.clicks = clicks;
        pushLocked(std::move(e));
    }
    wakeup_.notify_all();
}

void HeadlessDisplay::release(NativeWindowId window, gfx::Point point, MouseButton button) {
    {
        std::lock_guard lock(mutex_);
        pointerToLocked(window);
        buttonsDown_ &= ~buttonBit(button);
        DisplayEvent e = mouseEvent(DisplayEvent::Type::ButtonUp, window, point);
        e.button = button;
        pushLocked(std::move(e));
    }
    wakeup_.notify_all();
}

void HeadlessDisplay::click(NativeWindowId window, gfx::Point point, MouseButton button) {
    press(window, point, button);
    release(window, point, button);
}

void HeadlessDisplay::doubleClick(NativeWindowId window, gfx::Point point) {
    {
        // A fresh pair, whatever was clicked before.
        std::lock_guard lock(mutex_);
        lastPress_.reset();
    }
    click(window, point);
    click(window, point);
}

void HeadlessDisplay::wheel(NativeWindowId window, gfx::Point point, int notches) {
    {
        std::lock_guard lock(mutex_);
        pointerToLocked(window);
        DisplayEvent e = mouseEvent(DisplayEvent::Type::Wheel, window, point);
        e.wheelDelta = notches * 120;
        pushLocked(std::move(e));
    }
    wakeup_.notify_all();
}

void HeadlessDisplay::keyDown(int key, unsigned modifiers) {
    {
        std::lock_guard lock(mutex_);
        modifiers_ = modifiers | modifierOf(key);
        pushLocked(keyEvent(DisplayEvent::Type::KeyDown, active_, key, modifiers_));
    }
    wakeup_.notify_all();
}

void HeadlessDisplay::keyUp(int key, unsigned modifiers) {
    {
        std::lock_guard lock(mutex_);
        modifiers_ = modifiers & ~modifierOf(key);
        pushLocked(keyEvent(DisplayEvent::Type::KeyUp, active_, key, modifiers_));
    }
    wakeup_.notify_all();
}

void HeadlessDisplay::keyPress(int key, unsigned modifiers) {
    keyDown(key, modifiers);
    keyUp(key, modifiers);
}

void HeadlessDisplay::typeText(const std::string& utf8) {
    {
        std::lock_guard lock(mutex_);
        if (!textInput_) {
            return;
        }
        DisplayEvent e = windowEvent(DisplayEvent::Type::Text, active_);
        e.text = utf8;
        pushLocked(std::move(e));
    }
    wakeup_.notify_all();
}

void HeadlessDisplay::requestClose(NativeWindowId window) {
    push(windowEvent(DisplayEvent::Type::CloseRequested, window));
}

void HeadlessDisplay::whenIdle(std::function<void()> step) {
    {
        std::lock_guard lock(mutex_);
        steps_.push_back(std::move(step));
        woken_ = true;
    }
    wakeup_.notify_all();
}

std::size_t HeadlessDisplay::pendingSteps() const {
    std::lock_guard lock(mutex_);
    return steps_.size();
}

std::size_t HeadlessDisplay::pendingEvents() const {
    std::lock_guard lock(mutex_);
    return events_.size();
}

std::vector<const HeadlessDisplay::Native*> HeadlessDisplay::stackingLocked() const {
    std::vector<const Native*> out;
    for (bool topmost : {false, true}) {
        for (NativeWindowId id : order_) {
            const Native* n = find(id);
            if (n->info.topmost == topmost) {
                out.push_back(n);
            }
        }
    }
    return out;
}

std::vector<HeadlessDisplay::WindowInfo> HeadlessDisplay::windows() const {
    std::lock_guard lock(mutex_);
    std::vector<WindowInfo> out;
    for (const Native* n : stackingLocked()) {
        out.push_back(n->info);
    }
    return out;
}

std::optional<HeadlessDisplay::WindowInfo> HeadlessDisplay::window(NativeWindowId window) const {
    std::lock_guard lock(mutex_);
    const Native* n = find(window);
    return n != nullptr ? std::optional<WindowInfo>(n->info) : std::nullopt;
}

NativeWindowId HeadlessDisplay::findWindow(const std::string& title) const {
    std::lock_guard lock(mutex_);
    auto stack = stackingLocked();
    for (auto it = stack.rbegin(); it != stack.rend(); ++it) {
        if ((*it)->info.title == title) {
            return (*it)->info.id;
        }
    }
    return 0;
}

NativeWindowId HeadlessDisplay::activeWindow() const {
    std::lock_guard lock(mutex_);
    return active_;
}

Cursor HeadlessDisplay::cursor() const {
    std::lock_guard lock(mutex_);
    return cursor_;
}

NativeWindowId HeadlessDisplay::mouseCapture() const {
    std::lock_guard lock(mutex_);
    return capture_;
}

bool HeadlessDisplay::textInputActive() const {
    std::lock_guard lock(mutex_);
    return textInput_;
}

gfx::Rect HeadlessDisplay::textInputRect() const {
    std::lock_guard lock(mutex_);
    return textInputRect_;
}

const gfx::Surface* HeadlessDisplay::windowPixels(NativeWindowId window) const {
    std::lock_guard lock(mutex_);
    const Native* n = find(window);
    return n != nullptr ? &n->pixels : nullptr;
}

NativeWindowId HeadlessDisplay::windowAt(gfx::Point screen) const {
    std::lock_guard lock(mutex_);
    auto stack = stackingLocked();
    for (auto it = stack.rbegin(); it != stack.rend(); ++it) {
        const WindowInfo& info = (*it)->info;
        if (!info.visible || info.minimized || !info.rect.contains(screen)) {
            continue;
        }
        gfx::Point local{screen.x - info.rect.left, screen.y - info.rect.top};
        if (info.shape && options_.capabilities.shapes && !info.shape->contains(local)) {
            continue;
        }
        return info.id;
    }
    return 0;
}

gfx::Surface HeadlessDisplay::composeScreen() const {
    std::lock_guard lock(mutex_);
    gfx::Surface screen(options_.screen.width, options_.screen.height);
    screen.fill(kDesktopPixel);
    const DisplayCapabilities& caps = options_.capabilities;
    for (const Native* n : stackingLocked()) {
        const WindowInfo& info = n->info;
        if (!info.visible || info.minimized || n->pixels.empty()) {
            continue;
        }
        gfx::Region area(gfx::Rect{0, 0, info.rect.width(), info.rect.height()});
        if (info.shape && caps.shapes) {
            area.intersect(*info.shape);
        }
        std::uint8_t alpha = caps.constantAlpha ? info.alpha : 255;
        bool keyed = caps.colorKey && info.colorKey.has_value();
        gfx::SysColor key = keyed ? *info.colorKey : 0;
        for (const gfx::Rect& r : area.rects()) {
            gfx::Rect onScreen =
                r.translated(info.rect.left, info.rect.top).intersected(screen.bounds());
            for (int y = onScreen.top; y < onScreen.bottom; ++y) {
                auto src = n->pixels.row(y - info.rect.top);
                auto dst = screen.row(y);
                for (int x = onScreen.left; x < onScreen.right; ++x) {
                    Pixel p = src[std::size_t(x - info.rect.left)];
                    if (keyed && gfx::pixelAlpha(p) != 0 && gfx::sysColorFromPixel(p) == key) {
                        continue;
                    }
                    dst[std::size_t(x)] = blendOver(dst[std::size_t(x)], p, alpha);
                }
            }
        }
    }
    return screen;
}

bool HeadlessDisplay::saveScreenPng(const std::filesystem::path& path) const {
    return composeScreen().savePng(path);
}

bool HeadlessDisplay::saveWindowPng(NativeWindowId window,
                                    const std::filesystem::path& path) const {
    std::lock_guard lock(mutex_);
    const Native* n = find(window);
    return n != nullptr && n->pixels.savePng(path);
}

} // namespace lumetta::display
