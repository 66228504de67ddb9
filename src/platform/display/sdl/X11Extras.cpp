#include "platform/display/sdl/X11Extras.h"

#include <SDL.h>
#include <SDL_syswm.h>
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xproto.h>
#include <X11/extensions/XInput2.h>
#include <X11/extensions/shape.h>

#include <cmath>
#include <string>

namespace lumetta::display {

namespace {

::Display* xdisplay(_XDisplay* d) {
    return reinterpret_cast<::Display*>(d);
}

// Xlib ends the process on any error by default. A window can vanish between two requests
// (its owner died, a manager withdrew it), so the errors our own requests can meet are noted
// and dropped; everything else goes to the handler that was there before.
XErrorHandler previousHandler = nullptr;
int filterUsers = 0;
int shapeOpcode = -1;

bool ourRequest(int major) {
    switch (major) {
    case X_GetWindowAttributes:
    case X_ConfigureWindow:
    case X_GetProperty:
    case X_SendEvent:
    case X_GrabPointer:
    case X_SetInputFocus:
        return true;
    default:
        return major == shapeOpcode;
    }
}

int filterError(::Display* display, XErrorEvent* error) {
    bool benign = error->error_code == BadWindow || error->error_code == BadMatch ||
                  error->error_code == BadValue;
    if (benign && ourRequest(error->request_code)) {
        return 0;
    }
    return previousHandler != nullptr ? previousHandler(display, error) : 0;
}

} // namespace

void X11Extras::installErrorFilter() {
    if (filterUsers++ == 0) {
        previousHandler = XSetErrorHandler(&filterError);
    }
}

void X11Extras::removeErrorFilter() {
    if (filterUsers > 0 && --filterUsers == 0) {
        XSetErrorHandler(previousHandler);
        previousHandler = nullptr;
    }
}

std::optional<X11Extras> X11Extras::forWindow(SDL_Window* window) {
    SDL_SysWMinfo info;
    SDL_VERSION(&info.version);
    if (window == nullptr || !SDL_GetWindowWMInfo(window, &info) ||
        info.subsystem != SDL_SYSWM_X11) {
        return std::nullopt;
    }
    return X11Extras(reinterpret_cast<_XDisplay*>(info.info.x11.display));
}

XWindowId X11Extras::windowOf(SDL_Window* window) {
    SDL_SysWMinfo info;
    SDL_VERSION(&info.version);
    if (window == nullptr || !SDL_GetWindowWMInfo(window, &info) ||
        info.subsystem != SDL_SYSWM_X11) {
        return 0;
    }
    return info.info.x11.window;
}

X11Extras::X11Extras(_XDisplay* display) : display_(display) {
    ::Display* d = xdisplay(display_);
    screen_ = DefaultScreen(d);
    root_ = RootWindow(d, screen_);
    int opcode = 0;
    int event = 0;
    int error = 0;
    shapes_ = XQueryExtension(d, "SHAPE", &opcode, &event, &error) != 0;
    if (shapes_) {
        shapeOpcode = opcode;
    }
    if (XQueryExtension(d, "XInputExtension", &opcode, &event, &error) != 0) {
        inputOpcode_ = opcode;
    }
}

std::optional<XPointerEvent> X11Extras::pointerEvent(const SDL_SysWMmsg& message) const {
    if (message.subsystem != SDL_SYSWM_X11) {
        return std::nullopt;
    }
    const XEvent& e = message.msg.x11.event;
    XPointerEvent out;
    switch (e.type) {
    case GenericEvent: {
        // SDL selects motion through the input extension, so no core motion comes outside
        // grabs.
        const XGenericEventCookie& cookie = e.xcookie;
        if (cookie.extension != inputOpcode_ || cookie.evtype != XI_Motion ||
            cookie.data == nullptr) {
            return std::nullopt;
        }
        const auto* d = static_cast<const XIDeviceEvent*>(cookie.data);
        out.kind = XPointerEvent::Kind::Motion;
        out.window = d->event;
        out.root = {int(std::floor(d->root_x)), int(std::floor(d->root_y))};
        out.state = unsigned(d->mods.effective);
        out.time = std::uint32_t(d->time);
        out.synthetic = d->send_event != 0;
        return out;
    }
    case MotionNotify:
        out.kind = XPointerEvent::Kind::Motion;
        out.window = e.xmotion.window;
        out.root = {e.xmotion.x_root, e.xmotion.y_root};
        out.state = e.xmotion.state;
        out.time = std::uint32_t(e.xmotion.time);
        out.synthetic = e.xmotion.send_event != 0;
        return out;
    case ButtonPress:
    case ButtonRelease:
        out.kind =
            e.type == ButtonPress ? XPointerEvent::Kind::Press : XPointerEvent::Kind::Release;
        out.window = e.xbutton.window;
        out.root = {e.xbutton.x_root, e.xbutton.y_root};
        out.button = e.xbutton.button;
        out.state = e.xbutton.state;
        out.time = std::uint32_t(e.xbutton.time);
        out.synthetic = e.xbutton.send_event != 0;
        return out;
    case EnterNotify:
    case LeaveNotify:
        out.kind = e.type == EnterNotify ? XPointerEvent::Kind::Enter : XPointerEvent::Kind::Leave;
        out.window = e.xcrossing.window;
        out.root = {e.xcrossing.x_root, e.xcrossing.y_root};
        out.state = e.xcrossing.state;
        out.time = std::uint32_t(e.xcrossing.time);
        out.synthetic = e.xcrossing.send_event != 0;
        out.crossingByGrab = e.xcrossing.mode != NotifyNormal;
        return out;
    default:
        return std::nullopt;
    }
}

std::optional<XFocusChange> X11Extras::focusChange(const SDL_SysWMmsg& message) {
    if (message.subsystem != SDL_SYSWM_X11) {
        return std::nullopt;
    }
    const XEvent& e = message.msg.x11.event;
    if (e.type != FocusIn && e.type != FocusOut) {
        return std::nullopt;
    }
    // Grabs (a manager's key binding, a move) and focus moving inside the window do not
    // change which window is active.
    if (e.xfocus.mode == NotifyGrab || e.xfocus.mode == NotifyUngrab ||
        e.xfocus.detail == NotifyInferior || e.xfocus.detail == NotifyPointer) {
        return std::nullopt;
    }
    return XFocusChange{e.xfocus.window, e.type == FocusIn, e.xfocus.serial};
}

bool X11Extras::rootHasProperty(const char* name) const {
    return !rootAtomList(name).empty();
}

// The 32-bit items of a root window property (atoms or window ids), empty when it is absent.
std::vector<unsigned long> X11Extras::rootAtomList(const char* name) const {
    ::Display* d = xdisplay(display_);
    Atom property = XInternAtom(d, name, True);
    if (property == None) {
        return {};
    }
    Atom type = None;
    int format = 0;
    unsigned long count = 0;
    unsigned long after = 0;
    unsigned char* data = nullptr;
    if (XGetWindowProperty(d, root_, property, 0, 4096, False, AnyPropertyType, &type, &format,
                           &count, &after, &data) != Success ||
        data == nullptr) {
        return {};
    }
    std::vector<unsigned long> out;
    if (format == 32) {
        auto* items = reinterpret_cast<unsigned long*>(data);
        out.assign(items, items + count);
    }
    XFree(data);
    return out;
}

bool X11Extras::windowManagerRunning() const {
    // The conventions say a compliant manager names a child window of its own here; a stale
    // id left by a manager that died points nowhere, so the child is checked to exist.
    std::vector<unsigned long> check = rootAtomList("_NET_SUPPORTING_WM_CHECK");
    if (check.empty() || check.front() == 0) {
        return false;
    }
    XWindowAttributes attributes;
    // The query fails (and the error filter swallows the error) when the window is gone.
    return XGetWindowAttributes(xdisplay(display_), check.front(), &attributes) != 0;
}

bool X11Extras::windowManagerMoves() const {
    if (!windowManagerRunning()) {
        return false;
    }
    Atom moveResize = XInternAtom(xdisplay(display_), "_NET_WM_MOVERESIZE", True);
    if (moveResize == None) {
        return false;
    }
    for (unsigned long atom : rootAtomList("_NET_SUPPORTED")) {
        if (atom == moveResize) {
            return true;
        }
    }
    return false;
}

bool X11Extras::compositorRunning() const {
    ::Display* d = xdisplay(display_);
    std::string name = "_NET_WM_CM_S" + std::to_string(screen_);
    Atom selection = XInternAtom(d, name.c_str(), False);
    return XGetSelectionOwner(d, selection) != None;
}

void X11Extras::setShape(XWindowId window, const std::vector<gfx::Rect>* rects) {
    if (!shapes_) {
        return;
    }
    ::Display* d = xdisplay(display_);
    if (rects == nullptr) {
        XShapeCombineMask(d, window, ShapeBounding, 0, 0, None, ShapeSet);
        return;
    }
    std::vector<XRectangle> xr;
    xr.reserve(rects->size());
    for (const gfx::Rect& r : *rects) {
        if (r.empty()) {
            continue;
        }
        xr.push_back(XRectangle{short(r.left), short(r.top), static_cast<unsigned short>(r.width()),
                                static_cast<unsigned short>(r.height())});
    }
    // The rectangles come from a region: banded and without overlaps.
    XShapeCombineRectangles(d, window, ShapeBounding, 0, 0, xr.data(), int(xr.size()), ShapeSet,
                            YXBanded);
}

void X11Extras::move(XWindowId window, gfx::Point topLeft) {
    XMoveWindow(xdisplay(display_), window, topLeft.x, topLeft.y);
}

void X11Extras::raise(XWindowId window) {
    XRaiseWindow(xdisplay(display_), window);
}

void X11Extras::restack(std::span<const XWindowId> topToBottom) {
    if (topToBottom.empty()) {
        return;
    }
    ::Display* d = xdisplay(display_);
    XRaiseWindow(d, topToBottom.front());
    std::vector<Window> windows(topToBottom.begin(), topToBottom.end());
    XRestackWindows(d, windows.data(), int(windows.size()));
}

unsigned long X11Extras::focus(XWindowId window) {
    return focusTo(window);
}

unsigned long X11Extras::nextSerial() const {
    return NextRequest(xdisplay(display_));
}

static_assert(X11Extras::kFocusNone == None && X11Extras::kFocusPointerRoot == PointerRoot);

XWindowId X11Extras::focusedWindow() const {
    Window focused = None;
    int revert = 0;
    XGetInputFocus(xdisplay(display_), &focused, &revert);
    return focused;
}

unsigned long X11Extras::focusTo(XWindowId focused) {
    unsigned long serial = NextRequest(xdisplay(display_));
    XSetInputFocus(xdisplay(display_), focused, RevertToParent, CurrentTime);
    return serial;
}

bool X11Extras::grabPointer(XWindowId window) {
    constexpr unsigned mask =
        ButtonPressMask | ButtonReleaseMask | PointerMotionMask | EnterWindowMask | LeaveWindowMask;
    int status = XGrabPointer(xdisplay(display_), window, False, mask, GrabModeAsync, GrabModeAsync,
                              None, None, CurrentTime);
    return status == GrabSuccess;
}

void X11Extras::ungrabPointer() {
    XUngrabPointer(xdisplay(display_), CurrentTime);
    XFlush(xdisplay(display_));
}

X11Extras::Pointer X11Extras::queryPointer() const {
    Window rootReturn = 0;
    Window child = 0;
    int rootX = 0;
    int rootY = 0;
    int x = 0;
    int y = 0;
    unsigned mask = 0;
    Pointer out;
    if (XQueryPointer(xdisplay(display_), root_, &rootReturn, &child, &rootX, &rootY, &x, &y,
                      &mask) != 0) {
        out.root = {rootX, rootY};
        out.buttons = mask;
    }
    return out;
}

void X11Extras::sendLeftPress(XWindowId window, gfx::Point root, gfx::Point local) {
    XEvent e{};
    e.xbutton.type = ButtonPress;
    e.xbutton.display = xdisplay(display_);
    e.xbutton.window = window;
    e.xbutton.root = root_;
    e.xbutton.subwindow = None;
    e.xbutton.time = CurrentTime;
    e.xbutton.x = local.x;
    e.xbutton.y = local.y;
    e.xbutton.x_root = root.x;
    e.xbutton.y_root = root.y;
    e.xbutton.state = 0;
    e.xbutton.button = Button1;
    e.xbutton.same_screen = True;
    // An empty event mask delivers the event to the window's creator: this program.
    XSendEvent(xdisplay(display_), window, False, 0, &e);
    XFlush(xdisplay(display_));
}

void X11Extras::flush() {
    XFlush(xdisplay(display_));
}

void X11Extras::sync() {
    XSync(xdisplay(display_), False);
}

} // namespace lumetta::display
