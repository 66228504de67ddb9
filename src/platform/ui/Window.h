#pragma once

#include "platform/core/Clock.h"
#include "platform/core/Window.h"
#include "platform/display/DisplayEvent.h"
#include "platform/gfx/Color.h"
#include "platform/gfx/Geometry.h"
#include "platform/gfx/Region.h"
#include "platform/gfx/Surface.h"
#include "platform/ui/Messages.h"

#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace lumetta::gfx {
class Painter;
}

namespace lumetta::ui {

class Desktop;
using display::Cursor;
using display::MouseButton;

// How a window is made. A window with a parent is a child: its rectangle is in the parent's
// client coordinates and it lives inside the parent's top-level window. A window without one is
// a top-level window on the screen, optionally owned by another (it stays above its owner, and a
// modal dialog disables its owner).
struct CreateParams {
    class Window* parent = nullptr;
    class Window* owner = nullptr; // top-level windows only
    gfx::Rect rect;
    std::string title;
    int id = 0;
    bool visible = false;
    bool popup = false;   // top-level: a tooltip or menu that never takes the focus
    bool topmost = false; // top-level: above all normal windows
};

// A window: geometry, a place in a tree, painting, input and messages. A Window object can be
// created, destroyed and created again; each creation gets a new handle, and a handle kept past
// its window's life reaches nothing. Every window belongs to the thread of the Desktop it was
// created under.
//
// Windows are borderless, so client and window coordinates are the same: (0, 0) is the
// window's top-left pixel. All painting is double-buffered: paint() draws into the top-level
// window's framebuffer, after the parent has painted and before the children do, and nothing
// is erased in between.
class Window {
public:
    Window();
    virtual ~Window();
    Window(const Window&) = delete;
    Window& operator=(const Window&) = delete;

    // --- life ---
    bool create(const CreateParams& params);
    // Destroys the children first-to-last after this window's onDestroy, then the window.
    void destroyWindow();
    bool exists() const { return target_ != nullptr; }
    WindowHandle handle() const;
    // The live window behind a handle on this thread, or null.
    static Window* fromHandle(WindowHandle handle);

    // --- messages (see platform/core) ---
    bool post(MessageId id, WParam wParam = 0, LParam lParam = 0) const;
    LResult send(MessageId id, WParam wParam = 0, LParam lParam = 0);
    bool setTimer(TimerId id, core::Duration interval) const;
    bool killTimer(TimerId id) const;

    // --- tree ---
    Window* parent() const { return parent_; }
    Window* owner() const;
    bool isTopLevel() const { return exists() && parent_ == nullptr; }
    Window* topLevel();
    const Window* topLevel() const;
    const std::vector<Window*>& children() const { return children_; }
    int id() const { return id_; }
    void setId(int id) { id_ = id; }
    // The first direct child with this control id.
    Window* child(int id) const;
    // True for ancestor itself and every window inside it.
    bool isWithin(const Window& ancestor) const;

    // --- geometry ---
    // In the parent's client coordinates, or on the screen for a top-level window.
    gfx::Rect rect() const { return rect_; }
    gfx::Size size() const { return rect_.size(); }
    gfx::Rect clientRect() const { return {0, 0, rect_.width(), rect_.height()}; }
    void setRect(const gfx::Rect& rect);
    void moveTo(gfx::Point topLeft);
    void resize(gfx::Size size);
    gfx::Rect screenRect() const;
    gfx::Point clientToScreen(gfx::Point p) const;
    gfx::Point screenToClient(gfx::Point p) const;
    // The display's window that shows this window (its top-level window's), 0 when none; for
    // tests that inject input and for display code.
    display::NativeWindowId nativeWindow() const { return exists() ? topLevel()->native_ : 0; }
    // Where this window's (0, 0) lies in its top-level window.
    gfx::Point offsetInTopLevel() const;
    // Centres on other, else on the owner or parent, else on the screen; top-level windows are
    // kept on the screen.
    void centerOn(const Window* other = nullptr);
    // The deepest visible, enabled descendant whose hit test takes the point (client
    // coordinates), or this window.
    Window* childAt(gfx::Point p);
    // Whether a point (client coordinates) belongs to the window: inside it and its region.
    virtual bool hitTest(gfx::Point p) const;

    // --- state ---
    void show(bool visible = true);
    void hide() { show(false); }
    // Shown, and every ancestor shown too.
    bool isVisible() const;
    bool visibleFlag() const { return visible_; }
    void enable(bool enabled = true);
    bool isEnabled() const { return enabled_; }
    void setTitle(std::string title);
    const std::string& title() const { return title_; }
    // Top of its siblings, or of the top-level windows of its band.
    void raise();
    void setTopmost(bool topmost);
    bool isTopmost() const { return topmost_; }
    void minimize();
    void restore();
    bool isMinimized() const { return minimized_; }
    // Cuts the window to region (client coordinates): outside it nothing is drawn and no input
    // is taken. No region: the whole rectangle. False when the region is empty.
    bool setRegion(std::optional<gfx::Region> region);
    const std::optional<gfx::Region>& region() const { return region_; }
    // Top-level windows: shows the window at a constant alpha, and its pixels of the key colour
    // not at all. Composed by this layer over what lies below when the display cannot do it.
    void setLayered(std::uint8_t alpha, std::optional<gfx::SysColor> key);
    void clearLayered();
    std::uint8_t layeredAlpha() const { return alpha_; }
    std::optional<gfx::SysColor> layeredKey() const { return colorKey_; }
    bool isLayered() const { return alpha_ != 255 || colorKey_.has_value(); }
    void setIcon(gfx::Surface icon);
    const gfx::Surface& icon() const { return icon_; }
    // Filled by the base paint(); none: the base paint draws nothing.
    void setBackground(std::optional<gfx::SysColor> color);

    // --- painting ---
    void invalidate();
    void invalidate(const gfx::Rect& rect);
    void invalidate(const gfx::Region& region);
    // Paints the invalid part of this window's top-level window now.
    void update();

    // --- input ---
    // While set, every mouse event goes to this window, wherever the pointer is.
    void setCapture();
    static void releaseCapture();
    bool hasCapture() const;
    static Window* capture();
    void setFocus();
    bool hasFocus() const;
    // Makes this window's top-level window the active one (its focus comes back with it).
    void activate();
    static Window* focus();
    // The next time the pointer leaves the window, it gets one msg::MouseLeave.
    void trackMouseLeave();
    void setCursor(Cursor cursor) { cursor_ = cursor; }
    Cursor cursor() const { return cursor_; }
    // The cursor shown over a point (client coordinates).
    virtual Cursor cursorAt(gfx::Point) const { return cursor_; }
    // A second press soon after the first arrives as a double click when set.
    void setAcceptsDoubleClicks(bool accept) { doubleClicks_ = accept; }
    bool acceptsDoubleClicks() const { return doubleClicks_; }
    void setTabStop(bool tabStop) { tabStop_ = tabStop; }
    bool tabStop() const { return tabStop_; }
    // Windows that take typed text (edit fields) say so; the display then sends text.
    virtual bool wantsTextInput() const { return false; }
    // Where typed text goes, for input methods (client coordinates).
    virtual gfx::Rect caretRect() const { return {}; }

    // Runs the message through windowProc, as the message core does for posted ones.
    LResult dispatch(MessageId id, WParam wParam, LParam lParam);

    // Called for every input message the display delivers to `target`, on target and then on
    // each of its ancestors up to the top-level window, before it is dispatched; true swallows
    // the message.
    virtual bool preTranslateMessage(Window& target, MessageId id, WParam wParam, LParam lParam);

protected:
    // Every message arrives here. The base version decodes the platform's messages into the
    // handlers below; a window overriding it calls it for what it does not handle itself.
    virtual LResult windowProc(MessageId id, WParam wParam, LParam lParam);

    // The base handlers are the default processing; an override calls them to keep it.
    virtual void onCreate() {}
    virtual void onDestroy() {}
    virtual void paint(gfx::Painter& painter);
    virtual void onMouseMove(gfx::Point, unsigned) {}
    virtual void onButtonDown(MouseButton, gfx::Point, unsigned) {}
    virtual void onButtonUp(MouseButton, gfx::Point, unsigned) {}
    // Default: a second press.
    virtual void onDoubleClick(MouseButton button, gfx::Point p, unsigned keys);
    // Default: passed on to the parent.
    virtual void onMouseWheel(int delta, gfx::Point screen, unsigned keys);
    virtual void onMouseLeave() {}
    virtual void onCaptureChanged(WindowHandle) {}
    virtual void onKeyDown(int, bool) {}
    virtual void onKeyUp(int) {}
    virtual void onChar(char32_t) {}
    virtual void onSetFocus(WindowHandle) {}
    virtual void onKillFocus(WindowHandle) {}
    virtual void onActivate(bool) {}
    virtual void onTimer(TimerId) {}
    virtual void onCommand(int, int, WindowHandle) {}
    virtual void onScroll(bool, int, int, WindowHandle) {}
    // Default: destroys the window.
    virtual void onClose();
    virtual void onEnable(bool) {}
    virtual void onShow(bool) {}
    virtual void onSize(gfx::Size) {}
    // Default: a press on the caption (kHitCaption) moves the top-level window with the mouse.
    virtual void onNcButtonDown(WParam hit, gfx::Point screen);

    Desktop* desktop() const { return desktop_; }

private:
    friend class Desktop;
    class Target;

    void attach(Window* parent);
    void detach();
    void invalidateInParent();

    std::unique_ptr<Target> target_;
    Desktop* desktop_ = nullptr;
    Window* parent_ = nullptr;
    WindowHandle owner_;
    std::vector<Window*> children_;
    gfx::Rect rect_;
    std::string title_;
    int id_ = 0;
    bool visible_ = false;
    bool enabled_ = true;
    bool popup_ = false;
    bool topmost_ = false;
    bool minimized_ = false;
    bool doubleClicks_ = false;
    bool tabStop_ = false;
    bool trackingLeave_ = false;
    bool destroying_ = false;
    Cursor cursor_ = Cursor::Arrow;
    std::optional<gfx::Region> region_;
    std::uint8_t alpha_ = 255;
    std::optional<gfx::SysColor> colorKey_;
    std::optional<gfx::SysColor> background_;
    gfx::Surface icon_;

    // Top-level windows only.
    display::NativeWindowId native_ = 0;
    gfx::Region dirty_;
    WindowHandle lastFocus_;
    // The window's own pixels when the layer composes it over what lies below.
    gfx::Surface content_;
};

} // namespace lumetta::ui
