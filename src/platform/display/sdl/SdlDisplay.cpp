#include "platform/display/sdl/SdlDisplay.h"

#include "platform/display/sdl/KeyedPixels.h"
#include "platform/display/sdl/SdlKeys.h"

#include <SDL.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <limits>

// Present only in sanitizer builds; see LeakCheckPause.
extern "C" {
__attribute__((weak)) void __lsan_disable();
__attribute__((weak)) void __lsan_enable();
}

namespace lumetta::display {

namespace {

// SDL opens D-Bus (screen saver, input method) while it starts, and libdbus keeps what it
// allocates then for the life of the process, out of our reach. The leak checker of sanitizer
// builds is told to look away from that start only.
class LeakCheckPause {
public:
    LeakCheckPause() {
        if (__lsan_disable != nullptr) {
            __lsan_disable();
        }
    }
    ~LeakCheckPause() {
        if (__lsan_enable != nullptr) {
            __lsan_enable();
        }
    }
    LeakCheckPause(const LeakCheckPause&) = delete;
    LeakCheckPause& operator=(const LeakCheckPause&) = delete;
};

bool startVideo() {
    LeakCheckPause pause;
    return SDL_InitSubSystem(SDL_INIT_VIDEO) == 0;
}

// A window may ask the manager for a move; its hit test then answers "draggable" once, for the
// press the display sends it for that purpose.
SDL_HitTestResult SDLCALL answerHitTest(SDL_Window*, const SDL_Point*, void* data) {
    bool* armed = static_cast<bool*>(data);
    if (*armed) {
        *armed = false;
        return SDL_HITTEST_DRAGGABLE;
    }
    return SDL_HITTEST_NORMAL;
}

// How long a window manager may take to follow a focus request.
constexpr std::uint64_t kManagerFocusMs = 500;
// While the window manager moves a window, how often the display looks for the button's release.
constexpr int kMoveWatchMs = 20;
// Beyond this many rectangles one bounding rectangle is cheaper to send.
constexpr std::size_t kMaxPresentRects = 32;

SDL_SystemCursor systemCursor(Cursor cursor) {
    switch (cursor) {
    case Cursor::Arrow:
        return SDL_SYSTEM_CURSOR_ARROW;
    case Cursor::Cross:
        return SDL_SYSTEM_CURSOR_CROSSHAIR;
    case Cursor::IBeam:
        return SDL_SYSTEM_CURSOR_IBEAM;
    case Cursor::Hand:
        return SDL_SYSTEM_CURSOR_HAND;
    case Cursor::SizeAll:
        return SDL_SYSTEM_CURSOR_SIZEALL;
    case Cursor::Wait:
        return SDL_SYSTEM_CURSOR_WAIT;
    }
    return SDL_SYSTEM_CURSOR_ARROW;
}

std::optional<MouseButton> mouseButton(unsigned xButton) {
    switch (xButton) {
    case 1:
        return MouseButton::Left;
    case 2:
        return MouseButton::Middle;
    case 3:
        return MouseButton::Right;
    default:
        return std::nullopt;
    }
}

// Hints must be in place before the video subsystem starts. Environment variables still win
// over the defaults, except for the driver: shapes, grabs and pointer events need X11.
void setHints() {
    SDL_SetHintWithPriority(SDL_HINT_VIDEODRIVER, "x11", SDL_HINT_OVERRIDE);
    // The window framebuffer through a GL texture would recreate each window on its first use
    // (dropping its shape) and start a GL context per window for nothing.
    SDL_SetHint(SDL_HINT_FRAMEBUFFER_ACCELERATION, "0");
    // Translucent windows need the compositor; SDL would ask it to step aside by default.
    SDL_SetHint(SDL_HINT_VIDEO_X11_NET_WM_BYPASS_COMPOSITOR, "0");
    SDL_SetHint(SDL_HINT_MOUSE_FOCUS_CLICKTHROUGH, "1");
    // Grabs follow the layer's capture; SDL's own would release ours on every button release.
    SDL_SetHint(SDL_HINT_MOUSE_AUTO_CAPTURE, "0");
    // SIGINT and SIGTERM end the program as usual instead of becoming an event nobody reads.
    SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
    SDL_SetHint(SDL_HINT_VIDEO_ALLOW_SCREENSAVER, "1");
    SDL_SetHint(SDL_HINT_WINDOW_NO_ACTIVATION_WHEN_SHOWN, "1");
    SDL_SetHint(SDL_HINT_QUIT_ON_LAST_WINDOW_CLOSE, "0");
}

// Straight (not premultiplied) ARGB, the form window icons are given in.
SDL_Surface* straightCopy(const gfx::Surface& picture) {
    SDL_Surface* out = SDL_CreateRGBSurfaceWithFormat(0, picture.width(), picture.height(), 32,
                                                      SDL_PIXELFORMAT_ARGB8888);
    if (out == nullptr) {
        return nullptr;
    }
    for (int y = 0; y < picture.height(); ++y) {
        auto src = picture.row(y);
        auto* dst = reinterpret_cast<std::uint32_t*>(static_cast<std::uint8_t*>(out->pixels) +
                                                     std::ptrdiff_t(y) * out->pitch);
        for (int x = 0; x < picture.width(); ++x) {
            gfx::Pixel p = src[std::size_t(x)];
            std::uint8_t a = gfx::pixelAlpha(p);
            dst[x] = gfx::makePixel(a, gfx::unmultiplyChannel(gfx::pixelRed(p), a),
                                    gfx::unmultiplyChannel(gfx::pixelGreen(p), a),
                                    gfx::unmultiplyChannel(gfx::pixelBlue(p), a));
        }
    }
    return out;
}

} // namespace

struct SdlDisplay::Native {
    NativeWindowId id = 0;
    SDL_Window* sdl = nullptr;
    std::uint32_t sdlId = 0;
    XWindowId xwindow = 0;
    NativeWindowId owner = 0;
    bool popup = false;
    bool topmost = false;
    gfx::Rect rect; // where the layer put it
    gfx::Surface pixels;
    bool visible = false; // the layer shows it
    bool minimized = false;
    bool mapped = false; // the X window is on the screen
    bool moveArmed = false;
    // The layer paints straight into SDL's window surface: presenting copies nothing.
    bool direct = false;
    // SDL's window surface holds everything presented so far.
    bool surfaceCurrent = false;
    std::optional<gfx::Region> shape;
    std::optional<gfx::SysColor> key;
    gfx::Region keyed; // pixels of the key colour, cut out of the shape
    bool shaped = false;

    ~Native() {
        // The pixels may be SDL's; they go first.
        pixels = gfx::Surface();
        if (sdl != nullptr) {
            SDL_DestroyWindow(sdl);
        }
    }
};

std::unique_ptr<SdlDisplay> SdlDisplay::open(std::string& error) {
    std::unique_ptr<SdlDisplay> display(new SdlDisplay());
    if (!display->init(error)) {
        return nullptr;
    }
    return display;
}

bool SdlDisplay::init(std::string& error) {
    setHints();
    if (!startVideo()) {
        error = std::string("no X server to show windows on (") + SDL_GetError() + ")";
        return false;
    }
    // SDL waits for events without polling only while it has a window to be woken through,
    // and the X connection is reached through a window: one hidden window serves both.
    wakeWindow_ = SDL_CreateWindow("", 0, 0, 1, 1,
                                   SDL_WINDOW_HIDDEN | SDL_WINDOW_BORDERLESS |
                                       SDL_WINDOW_SKIP_TASKBAR | SDL_WINDOW_UTILITY);
    if (wakeWindow_ != nullptr) {
        x11_ = X11Extras::forWindow(wakeWindow_);
    }
    if (!x11_) {
        error = "the SDL display needs an X server (X11 or XWayland)";
        if (wakeWindow_ != nullptr) {
            SDL_DestroyWindow(wakeWindow_);
            wakeWindow_ = nullptr;
        }
        SDL_QuitSubSystem(SDL_INIT_VIDEO);
        return false;
    }
    X11Extras::installErrorFilter();
    windowManager_ = x11_->windowManagerRunning();
    capabilities_.shapes = x11_->shapesAvailable();
    capabilities_.colorKey = capabilities_.shapes;
    capabilities_.constantAlpha = x11_->compositorRunning();
    capabilities_.moveByDrag = true;

    SDL_EventState(SDL_SYSWMEVENT, SDL_ENABLE);
    for (Uint32 type : {SDL_MOUSEMOTION, SDL_MOUSEBUTTONDOWN, SDL_MOUSEBUTTONUP, SDL_MOUSEWHEEL}) {
        SDL_EventState(type, SDL_IGNORE);
    }
    wakeEventType_ = SDL_RegisterEvents(1);
    SDL_StopTextInput();
    uiThread_ = std::this_thread::get_id();
    SDL_AddEventWatch(&SdlDisplay::watchEvent, this);
    return true;
}

SdlDisplay::~SdlDisplay() {
    if (x11_) {
        SDL_DelEventWatch(&SdlDisplay::watchEvent, this);
    }
    if (grabbed_ && x11_) {
        x11_->ungrabPointer();
    }
    windows_.clear();
    for (SDL_Cursor* c : cursors_) {
        if (c != nullptr) {
            SDL_FreeCursor(c);
        }
    }
    if (wakeWindow_ != nullptr) {
        SDL_DestroyWindow(wakeWindow_);
    }
    if (x11_) {
        x11_.reset();
        X11Extras::removeErrorFilter();
    }
    SDL_QuitSubSystem(SDL_INIT_VIDEO);
}

gfx::Size SdlDisplay::screenSize() const {
    SDL_Rect bounds;
    if (SDL_GetDisplayBounds(0, &bounds) != 0) {
        return {1024, 768};
    }
    return {bounds.w, bounds.h};
}

SdlDisplay::Native* SdlDisplay::find(NativeWindowId window) {
    auto it = windows_.find(window);
    return it == windows_.end() ? nullptr : it->second.get();
}

const SdlDisplay::Native* SdlDisplay::find(NativeWindowId window) const {
    auto it = windows_.find(window);
    return it == windows_.end() ? nullptr : it->second.get();
}

SdlDisplay::Native* SdlDisplay::findX(XWindowId window) {
    for (auto& [id, n] : windows_) {
        if (n->xwindow == window) {
            return n.get();
        }
    }
    return nullptr;
}

SdlDisplay::Native* SdlDisplay::findSdl(std::uint32_t sdlId) {
    for (auto& [id, n] : windows_) {
        if (n->sdlId == sdlId) {
            return n.get();
        }
    }
    return nullptr;
}

XWindowId SdlDisplay::x11Window(NativeWindowId window) const {
    const Native* n = find(window);
    return n != nullptr ? n->xwindow : 0;
}

bool SdlDisplay::windowManagerRunning() const {
    return windowManager_;
}

bool SdlDisplay::managed() const {
    return windowManager_;
}

// --- windows ---

NativeWindowId SdlDisplay::createWindow(const WindowSpec& desc) {
    Uint32 flags = SDL_WINDOW_HIDDEN | SDL_WINDOW_BORDERLESS;
    if (desc.popup) {
        // Menus and tooltips: placed by us, no task-bar entry, never managed.
        flags |= SDL_WINDOW_POPUP_MENU | SDL_WINDOW_SKIP_TASKBAR;
    }
    if (desc.topmost) {
        flags |= SDL_WINDOW_ALWAYS_ON_TOP;
    }
    SDL_Window* sdl =
        SDL_CreateWindow(desc.title.c_str(), desc.rect.left, desc.rect.top,
                         std::max(1, desc.rect.width()), std::max(1, desc.rect.height()), flags);
    if (sdl == nullptr) {
        return 0;
    }
    auto n = std::make_unique<Native>();
    n->id = nextId_++;
    n->sdl = sdl;
    n->sdlId = SDL_GetWindowID(sdl);
    n->xwindow = X11Extras::windowOf(sdl);
    n->owner = desc.owner;
    n->popup = desc.popup;
    n->topmost = desc.topmost;
    n->rect = desc.rect;
    makeFrameBuffer(*n);
    if (const Native* owner = find(desc.owner); owner != nullptr && !desc.popup) {
        // Kept above its owner by the manager, and without a task-bar entry of its own.
        SDL_SetWindowModalFor(sdl, owner->sdl);
    }
    if (!desc.popup) {
        SDL_SetWindowHitTest(sdl, &answerHitTest, &n->moveArmed);
    }
    NativeWindowId id = n->id;
    windows_.emplace(id, std::move(n));
    order_.push_back(id);
    return id;
}

void SdlDisplay::destroyWindow(NativeWindowId window) {
    Native* n = find(window);
    if (n == nullptr) {
        return;
    }
    if (capture_ == window) {
        setMouseCapture(window, false);
    }
    if (moving_ == window) {
        moving_ = 0;
    }
    // The focus moves on while the window can still name its owner.
    if (active_ == window) {
        focusNext(window);
    }
    // Out of the map before SDL destroys it: SDL reports the destruction to our event watch.
    auto node = windows_.extract(window);
    std::erase(order_, window);
    node = {};
    std::erase_if(pending_, [&](const DisplayEvent& e) { return e.window == window; });
}

void SdlDisplay::setWindowTitle(NativeWindowId window, const std::string& title) {
    if (Native* n = find(window)) {
        SDL_SetWindowTitle(n->sdl, title.c_str());
    }
}

void SdlDisplay::setWindowRect(NativeWindowId window, const gfx::Rect& rect) {
    Native* n = find(window);
    if (n == nullptr) {
        return;
    }
    bool resized = rect.size() != n->rect.size();
    n->rect = rect;
    if (resized) {
        // SDL's window surface goes with the old size; so do pixels over it.
        n->pixels = gfx::Surface();
        n->direct = false;
        SDL_SetWindowSize(n->sdl, std::max(1, rect.width()), std::max(1, rect.height()));
        makeFrameBuffer(*n);
        n->keyed = gfx::Region();
        applyShape(*n);
    }
    // Straight to the server: SDL's own move waits for the move to show, ~10 ms each, which a
    // window following the pointer cannot afford.
    x11_->move(n->xwindow, rect.topLeft());
    updateMapping(*n);
}

void SdlDisplay::showWindow(NativeWindowId window, bool visible, bool activate) {
    Native* n = find(window);
    if (n == nullptr) {
        return;
    }
    if (n->visible != visible) {
        n->visible = visible;
        if (visible) {
            std::erase(order_, window);
            order_.push_back(window);
        }
        updateMapping(*n);
    }
    if (visible && activate) {
        activateWindow(window);
    }
}

// A window is on the screen while the layer shows it, it is not minimised, and it has pixels:
// X has no windows of size zero, so an empty one is kept off the screen instead.
void SdlDisplay::updateMapping(Native& n) {
    bool want = n.visible && !n.minimized && !n.rect.empty();
    if (want == n.mapped) {
        return;
    }
    n.mapped = want;
    if (want) {
        // Without a manager SDL focuses every window it shows; showing is not activating.
        XWindowId holder = managed() ? 0 : x11_->focusedWindow();
        SDL_ShowWindow(n.sdl);
        if (!managed()) {
            giveFocusBack(holder);
        }
        // The server asks for the pixels (Exposed) once the window is on the screen.
        applyStacking();
        return;
    }
    SDL_HideWindow(n.sdl);
    if (active_ == n.id) {
        focusNext(n.id);
    }
}

void SdlDisplay::giveFocusBack(XWindowId holder) {
    focusSerial_ = x11_->focusTo(holder);
}

void SdlDisplay::raiseWindow(NativeWindowId window) {
    if (find(window) == nullptr) {
        return;
    }
    std::erase(order_, window);
    order_.push_back(window);
    // Owned windows stay above their owner.
    std::vector<NativeWindowId> owned;
    for (NativeWindowId id : order_) {
        if (id != window && find(id)->owner == window) {
            owned.push_back(id);
        }
    }
    for (NativeWindowId id : owned) {
        raiseWindow(id);
    }
    applyStacking();
}

// Puts the X windows in the order the layer wants: normal windows, then topmost ones, each
// band in order_ (pop-ups are no band of their own: a dialog raised after a pop-up covers it).
// A window manager stacks managed windows itself (it keeps owned windows and topmost ones in
// place); it is only asked to raise them in that order, and our unmanaged pop-ups with them.
void SdlDisplay::applyStacking() {
    std::vector<XWindowId> topToBottom;
    for (bool topmost : {true, false}) {
        for (auto it = order_.rbegin(); it != order_.rend(); ++it) {
            const Native* n = find(*it);
            if (n->mapped && n->topmost == topmost) {
                topToBottom.push_back(n->xwindow);
            }
        }
    }
    if (topToBottom.empty()) {
        return;
    }
    if (!managed()) {
        x11_->restack(topToBottom);
        return;
    }
    for (auto it = topToBottom.rbegin(); it != topToBottom.rend(); ++it) {
        x11_->raise(*it);
    }
}

void SdlDisplay::setTopmost(NativeWindowId window, bool topmost) {
    Native* n = find(window);
    if (n == nullptr) {
        return;
    }
    n->topmost = topmost;
    SDL_SetWindowAlwaysOnTop(n->sdl, topmost ? SDL_TRUE : SDL_FALSE);
    raiseWindow(window);
}

void SdlDisplay::minimizeWindow(NativeWindowId window) {
    Native* n = find(window);
    if (n == nullptr || n->minimized || n->popup) {
        return;
    }
    if (managed()) {
        // The manager's notice makes it minimised for the layer.
        SDL_MinimizeWindow(n->sdl);
        return;
    }
    // Nothing to iconify into: the window leaves the screen until it is restored.
    n->minimized = true;
    emit(windowEvent(DisplayEvent::Type::Minimized, *n));
    updateMapping(*n);
}

void SdlDisplay::restoreWindow(NativeWindowId window) {
    Native* n = find(window);
    if (n == nullptr) {
        return;
    }
    if (managed()) {
        SDL_RestoreWindow(n->sdl);
        return;
    }
    if (!n->minimized) {
        return;
    }
    n->minimized = false;
    emit(windowEvent(DisplayEvent::Type::Restored, *n));
    updateMapping(*n);
    raiseWindow(window);
    activateWindow(window);
}

void SdlDisplay::activateWindow(NativeWindowId window) {
    Native* n = find(window);
    if (n == nullptr || n->popup || !n->mapped) {
        return;
    }
    requestFocus(*n, false);
}

// The program's own requests are not reported back (it knows; a late echo would undo a later
// request); changes the display makes on its own are.
void SdlDisplay::requestFocus(Native& n, bool report) {
    if (managed()) {
        // Asks the manager, which may refuse; its focus notice then tells. The manager acts in
        // its own time, so notices made meanwhile carry no older serial: until ours comes (or
        // the manager has had time enough), notices for other windows are its juggling.
        focusSerial_ = x11_->nextSerial();
        focusRequest_ = n.id;
        focusRequestTicks_ = SDL_GetTicks64();
        SDL_RaiseWindow(n.sdl);
    } else {
        focusSerial_ = x11_->focus(n.xwindow);
    }
    NativeWindowId old = active_;
    active_ = n.id;
    if (!report || old == n.id) {
        return;
    }
    if (const Native* o = find(old)) {
        emit(windowEvent(DisplayEvent::Type::FocusLost, *o));
    }
    emit(windowEvent(DisplayEvent::Type::FocusGained, n));
}

// With no manager, X gives the focus to nobody when the focused window goes; hand it on as a
// manager would: to the owner when it can take it, else to the highest window that can.
void SdlDisplay::focusNext(NativeWindowId leaving) {
    if (active_ == leaving) {
        active_ = 0;
        if (const Native* n = find(leaving)) {
            emit(windowEvent(DisplayEvent::Type::FocusLost, *n));
        }
    }
    if (managed()) {
        return;
    }
    auto canTake = [&](NativeWindowId id) {
        const Native* n = find(id);
        return n != nullptr && n->mapped && !n->popup && id != leaving;
    };
    NativeWindowId next = 0;
    if (const Native* n = find(leaving); n != nullptr && canTake(n->owner)) {
        next = n->owner;
    }
    for (auto it = order_.rbegin(); next == 0 && it != order_.rend(); ++it) {
        if (canTake(*it)) {
            next = *it;
        }
    }
    if (next != 0) {
        requestFocus(*find(next), true);
    }
}

void SdlDisplay::setWindowShape(NativeWindowId window, const gfx::Region* region) {
    Native* n = find(window);
    if (n == nullptr) {
        return;
    }
    n->shape = region != nullptr ? std::optional<gfx::Region>(*region) : std::nullopt;
    applyShape(*n);
}

// The window's outline: its region (or its whole rectangle) without the pixels of its key
// colour, which are thereby neither shown nor take input, as on the platform.
void SdlDisplay::applyShape(Native& n) {
    if (!capabilities_.shapes) {
        return;
    }
    if (!n.shape && n.keyed.empty()) {
        if (n.shaped) {
            x11_->setShape(n.xwindow, nullptr);
            n.shaped = false;
        }
        return;
    }
    gfx::Region outline =
        n.shape ? *n.shape : gfx::Region(gfx::Rect{0, 0, n.rect.width(), n.rect.height()});
    outline.subtract(n.keyed);
    std::vector<gfx::Rect> rects = outline.rects();
    x11_->setShape(n.xwindow, &rects);
    n.shaped = true;
}

void SdlDisplay::setWindowAlpha(NativeWindowId window, std::uint8_t alpha,
                                std::optional<gfx::SysColor> key) {
    Native* n = find(window);
    if (n == nullptr) {
        return;
    }
    SDL_SetWindowOpacity(n->sdl, float(alpha) / 255.0f);
    if (key == n->key) {
        return;
    }
    n->key = key;
    n->keyed = key ? keyedPixels(n->pixels, n->pixels.bounds(), *key) : gfx::Region();
    applyShape(*n);
}

void SdlDisplay::setWindowIcon(NativeWindowId window, const gfx::Surface& icon) {
    Native* n = find(window);
    if (n == nullptr || icon.empty()) {
        return;
    }
    if (SDL_Surface* s = straightCopy(icon)) {
        SDL_SetWindowIcon(n->sdl, s);
        SDL_FreeSurface(s);
    }
}

// --- pixels ---

gfx::Surface& SdlDisplay::frameBuffer(NativeWindowId window) {
    static gfx::Surface none;
    Native* n = find(window);
    return n != nullptr ? n->pixels : none;
}

// When SDL's window surface is laid out like ours (32-bit pixels whose top byte the server
// ignores) and has the window's size, the layer paints straight into it; otherwise into pixels
// of our own that presenting copies over.
void SdlDisplay::makeFrameBuffer(Native& n) {
    n.pixels = gfx::Surface();
    n.direct = false;
    n.surfaceCurrent = false;
    if (n.rect.empty()) {
        return;
    }
    SDL_Surface* s = SDL_GetWindowSurface(n.sdl);
    bool sameLayout = s != nullptr && s->format->BytesPerPixel == 4 && s->pitch % 4 == 0 &&
                      (s->format->format == SDL_PIXELFORMAT_RGB888 ||
                       s->format->format == SDL_PIXELFORMAT_ARGB8888);
    if (sameLayout && s->w == n.rect.width() && s->h == n.rect.height()) {
        n.pixels =
            gfx::Surface::over(static_cast<gfx::Pixel*>(s->pixels), s->w, s->h, s->pitch / 4);
        n.direct = !n.pixels.empty();
        n.surfaceCurrent = n.direct;
    }
    if (!n.direct) {
        n.pixels = gfx::Surface(n.rect.width(), n.rect.height());
    }
}

// SDL drops its window surface when the window manager resizes the window; the pixels are kept
// as our own from then on.
void SdlDisplay::detachFrameBuffer(Native& n) {
    if (!n.direct) {
        n.surfaceCurrent = false;
        return;
    }
    gfx::Surface own = n.pixels.clone();
    n.pixels = std::move(own);
    n.direct = false;
    n.surfaceCurrent = false;
}

void SdlDisplay::copyToWindowSurface(Native& n, const std::vector<gfx::Rect>& rects) {
    if (n.pixels.empty()) {
        return;
    }
    std::vector<SDL_Rect> updates;
    if (n.direct) {
        for (const gfx::Rect& r : rects) {
            updates.push_back(SDL_Rect{r.left, r.top, r.width(), r.height()});
        }
    } else {
        SDL_Surface* target = SDL_GetWindowSurface(n.sdl);
        if (target == nullptr) {
            return;
        }
        const gfx::Rect limit =
            gfx::Rect{0, 0, target->w, target->h}.intersected(n.pixels.bounds());
        const int srcPitch = n.pixels.stride() * int(sizeof(gfx::Pixel));
        for (const gfx::Rect& wanted : rects) {
            gfx::Rect r = wanted.intersected(limit);
            if (r.empty()) {
                continue;
            }
            auto* dst = static_cast<std::uint8_t*>(target->pixels) +
                        std::ptrdiff_t(r.top) * target->pitch +
                        std::ptrdiff_t(r.left) * target->format->BytesPerPixel;
            const gfx::Pixel* src = n.pixels.row(r.top).data() + r.left;
            SDL_ConvertPixels(r.width(), r.height(), SDL_PIXELFORMAT_ARGB8888, src, srcPitch,
                              target->format->format, dst, target->pitch);
            updates.push_back(SDL_Rect{r.left, r.top, r.width(), r.height()});
        }
        if (rects.size() == 1 && rects.front() == n.pixels.bounds() && limit == n.pixels.bounds()) {
            n.surfaceCurrent = true;
        }
    }
    if (n.mapped && !updates.empty()) {
        SDL_UpdateWindowSurfaceRects(n.sdl, updates.data(), int(updates.size()));
    }
}

void SdlDisplay::present(NativeWindowId window, const gfx::Region& changed) {
    Native* n = find(window);
    if (n == nullptr || n->pixels.empty()) {
        return;
    }
    gfx::Region area = changed;
    area.intersect(n->pixels.bounds());
    if (area.empty()) {
        return;
    }
    if (n->key) {
        gfx::Region keyed = n->keyed;
        for (const gfx::Rect& r : area.rects()) {
            keyed.subtract(r);
            keyed.unite(keyedPixels(n->pixels, r, *n->key));
        }
        if (!(keyed == n->keyed)) {
            n->keyed = std::move(keyed);
            applyShape(*n);
        }
    }
    std::vector<gfx::Rect> rects = area.rects();
    if (!n->surfaceCurrent) {
        // SDL's copy holds nothing yet: all of it, so that later exposures need no copy.
        rects = {n->pixels.bounds()};
    } else if (rects.size() > kMaxPresentRects) {
        rects = {area.bounds()};
    }
    copyToWindowSurface(*n, rects);
}

void SdlDisplay::presentAll(Native& n) {
    copyToWindowSurface(n, {n.pixels.bounds()});
}

// The server lost the window's pixels: SDL's copy holds them, unless the window was sized.
void SdlDisplay::exposed(Native& n) {
    if (!n.mapped) {
        return;
    }
    if (n.surfaceCurrent && SDL_UpdateWindowSurface(n.sdl) == 0) {
        return;
    }
    presentAll(n);
}

// --- input ---

void SdlDisplay::setCursor(Cursor cursor) {
    auto index = std::size_t(cursor);
    if (index >= cursors_.size()) {
        return;
    }
    if (cursors_[index] == nullptr) {
        cursors_[index] = SDL_CreateSystemCursor(systemCursor(cursor));
    }
    cursor_ = cursor;
    if (cursors_[index] != nullptr) {
        SDL_SetCursor(cursors_[index]);
    }
}

void SdlDisplay::setMouseCapture(NativeWindowId window, bool captured) {
    Native* n = find(window);
    if (captured) {
        if (n == nullptr) {
            return;
        }
        capture_ = window;
        // A grab by another client (a manager's move, say) leaves us with X's own grab, which
        // still holds while a button is down.
        grabbed_ = n->mapped && x11_->grabPointer(n->xwindow);
        x11_->flush();
        return;
    }
    if (capture_ != window) {
        return;
    }
    capture_ = 0;
    if (grabbed_) {
        x11_->ungrabPointer();
        grabbed_ = false;
    }
}

void SdlDisplay::startTextInput(NativeWindowId window, const gfx::Rect& caret) {
    if (find(window) == nullptr) {
        return;
    }
    SDL_Rect r{caret.left, caret.top, std::max(1, caret.width()), std::max(1, caret.height())};
    SDL_SetTextInputRect(&r);
    if (!textInput_) {
        SDL_StartTextInput();
        textInput_ = true;
    }
}

void SdlDisplay::stopTextInput() {
    if (textInput_) {
        SDL_StopTextInput();
        textInput_ = false;
    }
}

bool SdlDisplay::beginMove(NativeWindowId window) {
    Native* n = find(window);
    if (n == nullptr || n->popup || !n->mapped) {
        return false;
    }
    windowManager_ = x11_->windowManagerRunning();
    if (!x11_->windowManagerMoves()) {
        return false;
    }
    X11Extras::Pointer pointer = x11_->queryPointer();
    if ((pointer.buttons & X11Extras::kButton1Mask) == 0) {
        return false;
    }
    // The press that started this was taken by the layer, so SDL's hit test never saw it. A
    // press of our own, answered "draggable" once, lets SDL hand the move to the manager; the
    // manager then holds the pointer, so ours must go.
    if (grabbed_) {
        x11_->ungrabPointer();
        grabbed_ = false;
    }
    n->moveArmed = true;
    x11_->sendLeftPress(n->xwindow, pointer.root,
                        {pointer.root.x - n->rect.left, pointer.root.y - n->rect.top});
    moving_ = window;
    // Handled now rather than at the next turn of the loop, so the manager takes over while
    // the pointer is still where the press was.
    x11_->sync();
    SDL_PumpEvents();
    return true;
}

// The manager takes the release that ends its move; the layer still waits for it.
void SdlDisplay::checkMoveEnded() {
    if (moving_ == 0) {
        return;
    }
    X11Extras::Pointer pointer = x11_->queryPointer();
    if ((pointer.buttons & X11Extras::kButton1Mask) != 0) {
        return;
    }
    Native* n = find(moving_);
    moving_ = 0;
    if (n == nullptr) {
        return;
    }
    n->moveArmed = false;
    DisplayEvent e = windowEvent(DisplayEvent::Type::ButtonUp, *n);
    e.point = {pointer.root.x - n->rect.left, pointer.root.y - n->rect.top};
    e.button = MouseButton::Left;
    e.modifiers = modifiersFromX11(pointer.buttons);
    emit(std::move(e));
}

// --- events ---

DisplayEvent SdlDisplay::windowEvent(DisplayEvent::Type type, const Native& window) const {
    DisplayEvent e;
    e.type = type;
    e.window = window.id;
    return e;
}

void SdlDisplay::emit(DisplayEvent event) {
    pending_.push_back(std::move(event));
}

// Events are translated as SDL queues them (the input extension's event data is gone by the
// time a queued copy is polled), so that pointer, key and window events keep their order.
int SdlDisplay::watchEvent(void* self, SDL_Event* event) {
    auto* display = static_cast<SdlDisplay*>(self);
    // The wake-up event comes from other threads; it only ends a wait.
    if (event->type == display->wakeEventType_ ||
        std::this_thread::get_id() != display->uiThread_) {
        return 0;
    }
    display->handleSdlEvent(*event);
    return 0;
}

bool SdlDisplay::pollEvent(DisplayEvent& event) {
    if (pending_.empty()) {
        // Pumping fills pending_ through the watch; the queued copies are done with.
        SDL_Event e;
        while (SDL_PollEvent(&e) != 0) {
            if (e.type == wakeEventType_) {
                wakePending_.store(false);
            }
        }
    }
    if (pending_.empty()) {
        checkMoveEnded();
        settleFocus();
    }
    if (pending_.empty()) {
        return false;
    }
    event = std::move(pending_.front());
    pending_.pop_front();
    return true;
}

void SdlDisplay::waitEvents(std::optional<core::Duration> timeout) {
    if (!pending_.empty()) {
        return;
    }
    x11_->flush();
    if (moving_ != 0) {
        core::Duration watch = std::chrono::milliseconds(kMoveWatchMs);
        timeout = timeout ? std::min(*timeout, watch) : watch;
    }
    if (focusRequest_ != 0) {
        // Back in time to look where the manager put the focus.
        std::uint64_t elapsed = SDL_GetTicks64() - focusRequestTicks_;
        core::Duration left = std::chrono::milliseconds(
            elapsed > kManagerFocusMs ? 0 : kManagerFocusMs - elapsed + 1);
        timeout = timeout ? std::min(*timeout, left) : left;
    }
    int ms = -1;
    if (timeout) {
        // Rounded up, so that a timer due in under a millisecond is not polled for in a spin.
        auto rounded = std::chrono::ceil<std::chrono::milliseconds>(*timeout).count();
        ms = int(std::clamp<std::int64_t>(rounded, 0, std::numeric_limits<int>::max()));
    }
    SDL_WaitEventTimeout(nullptr, ms);
}

void SdlDisplay::wake() {
    if (wakePending_.exchange(true)) {
        return;
    }
    SDL_Event e{};
    e.type = wakeEventType_;
    SDL_PushEvent(&e);
}

void SdlDisplay::handleSdlEvent(const SDL_Event& e) {
    switch (e.type) {
    case SDL_SYSWMEVENT:
        if (auto pointer = x11_->pointerEvent(*e.syswm.msg)) {
            handlePointer(*pointer);
        } else if (auto focus = X11Extras::focusChange(*e.syswm.msg)) {
            handleFocus(*focus);
        }
        return;
    case SDL_WINDOWEVENT:
        handleWindowEvent(e.window);
        return;
    case SDL_KEYDOWN:
    case SDL_KEYUP:
        handleKey(e.key);
        return;
    case SDL_TEXTINPUT:
        if (textInput_ && e.text.text[0] != '\0') {
            DisplayEvent out;
            out.type = DisplayEvent::Type::Text;
            out.window = active_;
            out.text = e.text.text;
            emit(std::move(out));
        }
        return;
    default:
        return;
    }
}

void SdlDisplay::handleWindowEvent(const SDL_WindowEvent& e) {
    Native* n = findSdl(e.windowID);
    if (n == nullptr) {
        return;
    }
    switch (e.event) {
    case SDL_WINDOWEVENT_EXPOSED:
        exposed(*n);
        return;
    case SDL_WINDOWEVENT_SIZE_CHANGED:
        detachFrameBuffer(*n);
        return;
    case SDL_WINDOWEVENT_MOVED: {
        gfx::Point at{e.data1, e.data2};
        if (at == n->rect.topLeft()) {
            return;
        }
        n->rect = gfx::Rect::fromSize(at.x, at.y, n->rect.width(), n->rect.height());
        DisplayEvent out = windowEvent(DisplayEvent::Type::Moved, *n);
        out.point = at;
        emit(std::move(out));
        return;
    }
    case SDL_WINDOWEVENT_MINIMIZED:
        if (!n->minimized) {
            n->minimized = true;
            emit(windowEvent(DisplayEvent::Type::Minimized, *n));
        }
        return;
    case SDL_WINDOWEVENT_RESTORED:
        if (n->minimized) {
            n->minimized = false;
            emit(windowEvent(DisplayEvent::Type::Restored, *n));
        }
        return;
    case SDL_WINDOWEVENT_CLOSE:
        emit(windowEvent(DisplayEvent::Type::CloseRequested, *n));
        return;
    default:
        return;
    }
}

// While the manager works through our focus requests it moves the focus to and fro; its notices
// are left alone then, and where the focus ended up is looked up once it has had its time.
bool SdlDisplay::awaitingManager() const {
    return focusRequest_ != 0 && SDL_GetTicks64() - focusRequestTicks_ <= kManagerFocusMs;
}

void SdlDisplay::settleFocus() {
    if (focusRequest_ == 0 || awaitingManager()) {
        return;
    }
    focusRequest_ = 0;
    Native* holder = findX(x11_->focusedWindow());
    NativeWindowId now = holder != nullptr && !holder->popup ? holder->id : 0;
    if (now == active_) {
        return;
    }
    if (const Native* old = find(active_)) {
        emit(windowEvent(DisplayEvent::Type::FocusLost, *old));
    }
    active_ = now;
    if (holder != nullptr && now != 0) {
        emit(windowEvent(DisplayEvent::Type::FocusGained, *holder));
    }
}

void SdlDisplay::handleFocus(const XFocusChange& change) {
    Native* n = findX(change.window);
    // Changes made before our latest request took effect are history; popups never hold the
    // focus for the program (SDL focuses whatever it shows when no manager runs).
    if (n == nullptr || n->popup || change.serial < focusSerial_ || awaitingManager()) {
        return;
    }
    if (!change.gained) {
        if (active_ == n->id) {
            active_ = 0;
            emit(windowEvent(DisplayEvent::Type::FocusLost, *n));
        }
        return;
    }
    // The echo of our own request is no news.
    if (active_ == n->id) {
        return;
    }
    if (const Native* old = find(active_)) {
        emit(windowEvent(DisplayEvent::Type::FocusLost, *old));
    }
    active_ = n->id;
    emit(windowEvent(DisplayEvent::Type::FocusGained, *n));
}

void SdlDisplay::handleKey(const SDL_KeyboardEvent& e) {
    int key = virtualKeyFromSdl(e.keysym.sym, e.keysym.scancode);
    if (key == 0) {
        return;
    }
    DisplayEvent out;
    out.type = e.type == SDL_KEYDOWN ? DisplayEvent::Type::KeyDown : DisplayEvent::Type::KeyUp;
    out.window = active_;
    if (out.window == 0) {
        if (const Native* n = findSdl(e.windowID)) {
            out.window = n->id;
        }
    }
    out.key = key;
    out.repeat = e.repeat != 0;
    out.modifiers = modifiersFromSdl(e.keysym.mod);
    emit(std::move(out));
}

void SdlDisplay::handlePointer(const XPointerEvent& p) {
    // Our own presses (for the manager's move) are not the user's.
    if (p.synthetic) {
        return;
    }
    Native* over = findX(p.window);
    Native* target = capture_ != 0 ? find(capture_) : over;
    if (target == nullptr) {
        return;
    }
    DisplayEvent out = windowEvent(DisplayEvent::Type::MouseMove, *target);
    out.point = {p.root.x - target->rect.left, p.root.y - target->rect.top};
    out.modifiers = modifiersFromX11(p.state);
    switch (p.kind) {
    case XPointerEvent::Kind::Enter:
        if (p.crossingByGrab) {
            return;
        }
        [[fallthrough]];
    case XPointerEvent::Kind::Motion:
        emit(std::move(out));
        return;
    case XPointerEvent::Kind::Leave:
        if (p.crossingByGrab || over == nullptr) {
            return;
        }
        emit(windowEvent(DisplayEvent::Type::MouseLeft, *over));
        return;
    case XPointerEvent::Kind::Press:
        if (p.button == 4 || p.button == 5) {
            out.type = DisplayEvent::Type::Wheel;
            out.wheelDelta = p.button == 4 ? 120 : -120;
            emit(std::move(out));
            return;
        }
        if (auto button = mouseButton(p.button)) {
            windowManager_ = x11_->windowManagerRunning();
            bool continues = lastPress_ && lastPress_->button == p.button &&
                             p.time - lastPress_->time <= std::uint32_t(kDoubleClickMs) &&
                             std::abs(p.root.x - lastPress_->root.x) <= kDoubleClickDistance &&
                             std::abs(p.root.y - lastPress_->root.y) <= kDoubleClickDistance;
            int sequence = continues ? lastPress_->sequence + 1 : 1;
            lastPress_ = LastPress{p.time, p.root, p.button, sequence};
            out.type = DisplayEvent::Type::ButtonDown;
            out.button = *button;
            out.clicks = clickCountFor(sequence);
            emit(std::move(out));
        }
        return;
    case XPointerEvent::Kind::Release:
        if (auto button = mouseButton(p.button)) {
            out.type = DisplayEvent::Type::ButtonUp;
            out.button = *button;
            emit(std::move(out));
        }
        return;
    }
}

} // namespace lumetta::display
