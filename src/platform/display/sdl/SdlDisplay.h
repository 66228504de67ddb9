#pragma once

#include "platform/display/DisplayBackend.h"
#include "platform/display/sdl/X11Extras.h"

#include <array>
#include <atomic>
#include <cstdint>
#include <deque>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <thread>
#include <unordered_map>
#include <vector>

struct SDL_Window;
struct SDL_Cursor;
struct SDL_WindowEvent;
struct SDL_KeyboardEvent;
union SDL_Event;

namespace lumetta::display {

// The desktop display: SDL2 on an X server (a desktop's own, XWayland, or a bare Xvfb).
//
// SDL makes the windows, their framebuffers, keys and typed text (with the input method) and
// the window manager's notices. Pointer input is read from the X server's own events, which
// SDL passes on: they carry screen positions, so a window the layer moves under the pointer
// never sees a point relative to where it was, and they arrive outside the window while the
// pointer is grabbed. What SDL lacks (shapes from rectangles, quick moves, stacking without a
// window manager, grabs) goes to the X server directly on SDL's connection.
//
// Without a window manager (bare Xvfb) the display stacks, focuses and minimises by itself, and
// beginMove() declines so that the layer moves windows with the pointer. With one, a drag on a
// window's body is handed to the manager through SDL's hit test.
class SdlDisplay final : public DisplayBackend {
public:
    // Opens the X server DISPLAY names. Null, with the reason in error, when there is none.
    static std::unique_ptr<SdlDisplay> open(std::string& error);
    ~SdlDisplay() override;
    SdlDisplay(const SdlDisplay&) = delete;
    SdlDisplay& operator=(const SdlDisplay&) = delete;

    // --- DisplayBackend ---
    const char* name() const override { return "sdl"; }
    DisplayCapabilities capabilities() const override { return capabilities_; }
    gfx::Size screenSize() const override;
    NativeWindowId createWindow(const WindowSpec& desc) override;
    void destroyWindow(NativeWindowId window) override;
    void setWindowTitle(NativeWindowId window, const std::string& title) override;
    void setWindowRect(NativeWindowId window, const gfx::Rect& rect) override;
    void showWindow(NativeWindowId window, bool visible, bool activate) override;
    void raiseWindow(NativeWindowId window) override;
    void setTopmost(NativeWindowId window, bool topmost) override;
    void minimizeWindow(NativeWindowId window) override;
    void restoreWindow(NativeWindowId window) override;
    void activateWindow(NativeWindowId window) override;
    void setWindowShape(NativeWindowId window, const gfx::Region* region) override;
    void setWindowAlpha(NativeWindowId window, std::uint8_t alpha,
                        std::optional<gfx::SysColor> key) override;
    void setWindowIcon(NativeWindowId window, const gfx::Surface& icon) override;
    gfx::Surface& frameBuffer(NativeWindowId window) override;
    void present(NativeWindowId window, const gfx::Region& changed) override;
    void setCursor(Cursor cursor) override;
    void setMouseCapture(NativeWindowId window, bool captured) override;
    void startTextInput(NativeWindowId window, const gfx::Rect& caret) override;
    void stopTextInput() override;
    bool beginMove(NativeWindowId window) override;
    bool pollEvent(DisplayEvent& event) override;
    void waitEvents(std::optional<core::Duration> timeout) override;
    void wake() override;

    // --- for programs that place their own windows over ours, and for tests ---
    // The X window behind a window; 0 when unknown.
    XWindowId x11Window(NativeWindowId window) const;
    bool windowManagerRunning() const;

    static constexpr int kDoubleClickMs = 500;
    static constexpr int kDoubleClickDistance = 4;

private:
    struct Native;
    struct LastPress {
        std::uint32_t time = 0;
        gfx::Point root;
        unsigned button = 0;
        int sequence = 0;
    };

    SdlDisplay() = default;
    bool init(std::string& error);
    static int watchEvent(void* self, SDL_Event* event);

    Native* find(NativeWindowId window);
    const Native* find(NativeWindowId window) const;
    Native* findX(XWindowId window);
    Native* findSdl(std::uint32_t sdlId);

    // Events.
    void handleSdlEvent(const SDL_Event& event);
    void handleWindowEvent(const SDL_WindowEvent& event);
    void handleKey(const SDL_KeyboardEvent& event);
    void handlePointer(const XPointerEvent& event);
    void handleFocus(const XFocusChange& change);
    bool awaitingManager() const;
    void settleFocus();
    void checkMoveEnded();
    void emit(DisplayEvent event);
    DisplayEvent windowEvent(DisplayEvent::Type type, const Native& window) const;

    // Windows.
    void updateMapping(Native& window);
    void giveFocusBack(XWindowId holder);
    void applyStacking();
    void applyShape(Native& window);
    void makeFrameBuffer(Native& window);
    void detachFrameBuffer(Native& window);
    void presentAll(Native& window);
    void exposed(Native& window);
    void copyToWindowSurface(Native& window, const std::vector<gfx::Rect>& rects);
    void requestFocus(Native& window, bool report);
    void focusNext(NativeWindowId leaving);
    bool managed() const;

    DisplayCapabilities capabilities_;
    std::optional<X11Extras> x11_;
    SDL_Window* wakeWindow_ = nullptr;
    std::uint32_t wakeEventType_ = 0;
    std::atomic<bool> wakePending_{false};

    std::map<NativeWindowId, std::unique_ptr<Native>> windows_;
    std::vector<NativeWindowId> order_; // bottom to top, bands applied when stacking
    NativeWindowId nextId_ = 1;
    std::deque<DisplayEvent> pending_;
    std::thread::id uiThread_;

    NativeWindowId active_ = 0;
    // Focus notices made before our latest focus request took effect are stale.
    unsigned long focusSerial_ = 0;
    // With a window manager: the window we asked it to focus, and when.
    NativeWindowId focusRequest_ = 0;
    std::uint64_t focusRequestTicks_ = 0;
    NativeWindowId capture_ = 0;
    bool grabbed_ = false;
    NativeWindowId moving_ = 0; // handed to the window manager, button not yet released
    std::optional<LastPress> lastPress_;
    bool textInput_ = false;
    std::array<SDL_Cursor*, 6> cursors_{};
    Cursor cursor_ = Cursor::Arrow;
    bool windowManager_ = false;
};

} // namespace lumetta::display
