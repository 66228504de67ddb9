// The desktop display under a window manager (openbox) and a compositor (xcompmgr) on the test's
// own Xvfb: a drag on a window's body goes to the manager through SDL's hit test, translucency
// and the key colour to the compositor, and focus changes the manager makes are reported.
#include "SdlFixture.h"

namespace lumetta::display {
namespace {

using namespace sdltest;

constexpr auto kDesktopWait = std::chrono::seconds(15);

class ManagedDisplayTest : public SdlDisplayTest {
protected:
    void startDesktop() override {
        std::string error;
        manager_ = test::ChildProcess::start({"openbox"}, server_.environment(), error);
        ASSERT_NE(manager_, nullptr) << error;
        compositor_ = test::ChildProcess::start({"xcompmgr"}, server_.environment(), error);
        ASSERT_NE(compositor_, nullptr) << error;
        ASSERT_TRUE(desktopReady()) << "openbox and xcompmgr did not take over the screen";
    }

    // Both announce themselves on the root window a moment after they start.
    bool desktopReady() {
        auto deadline = std::chrono::steady_clock::now() + kDesktopWait;
        while (std::chrono::steady_clock::now() < deadline) {
            std::string error;
            auto probe = SdlDisplay::open(error);
            if (probe != nullptr && probe->windowManagerRunning() &&
                probe->capabilities().constantAlpha) {
                return true;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
        }
        return false;
    }

    std::unique_ptr<test::ChildProcess> manager_;
    std::unique_ptr<test::ChildProcess> compositor_;
};

TEST_F(ManagedDisplayTest, DraggingTheBodyIsHandedToTheManager) {
    ASSERT_TRUE(display_->windowManagerRunning());
    NativeWindowId w = shown(Rect::fromSize(100, 100, 200, 150), kBlue);
    settle(std::chrono::milliseconds(500));
    xdotool({"mousemove", "150", "150"});
    xdotool({"mousedown", "1"});
    ASSERT_TRUE(waitFor(Type::ButtonDown, w)) << describe(events_);
    // What the layer does for a press on the body.
    display_->setMouseCapture(w, true);
    ASSERT_TRUE(display_->beginMove(w));
    // The hand keeps moving while the loop runs, as a user's does.
    std::string error;
    auto hand = test::ChildProcess::start(
        {"xdotool", "sleep", "0.2", "mousemove", "180", "170", "sleep", "0.1", "mousemove", "220",
         "200",     "sleep", "0.1", "mousemove", "260", "230", "sleep", "0.2", "mouseup",   "1"},
        server_.environment(), error);
    ASSERT_NE(hand, nullptr) << error;
    // The manager moves the window, and takes the release that ends the move; the layer still
    // hears of the release (in either order).
    bool moved = false;
    bool released = false;
    while (!moved || !released) {
        auto e = waitFor([&](const DisplayEvent& ev) {
            return ev.window == w && ((ev.type == Type::Moved && ev.point == Point{210, 180}) ||
                                      ev.type == Type::ButtonUp);
        });
        if (!e) {
            break;
        }
        (e->type == Type::Moved ? moved : released) = true;
    }
    EXPECT_TRUE(moved) << describe(events_);
    EXPECT_TRUE(released) << describe(events_);
    EXPECT_EQ(hand->wait(std::chrono::seconds(10)), 0);
    display_->setMouseCapture(w, false);

    // Later presses reach the window at its new place.
    settle();
    xdotool({"click", "1"});
    auto press = waitFor(Type::ButtonDown, w);
    ASSERT_TRUE(press) << describe(events_);
    EXPECT_EQ(press->point, (Point{50, 50}));
    EXPECT_EQ(rgbAt(screen(), {215, 185}), kBlue);
}

TEST_F(ManagedDisplayTest, TheCompositorMixesTranslucentKeyedWindows) {
    shown(Rect::fromSize(100, 100, 200, 200), kBlue);
    NativeWindowId top = shown(Rect::fromSize(150, 150, 100, 100), kRed);
    gfx::Surface& fb = display_->frameBuffer(top);
    for (int y = 40; y < 60; ++y) {
        for (int x = 40; x < 60; ++x) {
            fb.setPixel(x, y, opaque(kGreen));
        }
    }
    display_->present(top, gfx::Region(fb.bounds()));
    display_->setWindowAlpha(top, 128, gfx::sysColor(0x20, 0xC0, 0x40));
    gfx::Surface shot = screen();
    unsigned mixed = rgbAt(shot, {160, 160});
    // Red at 128 of 255 over blue.
    EXPECT_NEAR(int((mixed >> 16) & 0xFF), (0xE0 * 128 + 0x20 * 127) / 255, 3) << std::hex << mixed;
    EXPECT_NEAR(int(mixed & 0xFF), (0x20 * 128 + 0xE0 * 127) / 255, 3) << std::hex << mixed;
    // The key colour is cut out: the window below shows unchanged.
    EXPECT_EQ(rgbAt(shot, {200, 200}), kBlue);
}

TEST_F(ManagedDisplayTest, FocusTheManagerGivesIsReportedButNotOurOwnRequests) {
    NativeWindowId a = shown(Rect::fromSize(100, 100, 150, 150), kBlue);
    NativeWindowId b = shown(Rect::fromSize(400, 100, 150, 150), kGreen);
    display_->activateWindow(a);
    settle(std::chrono::milliseconds(500));
    for (const DisplayEvent& e : events_) {
        EXPECT_NE(e.type, Type::FocusGained) << "an echo: " << describe(events_);
    }
    // The user clicks the other window; the manager focuses it.
    xdotool({"mousemove", "450", "150"});
    xdotool({"click", "1"});
    auto gained = waitFor(Type::FocusGained, b);
    EXPECT_TRUE(gained) << describe(events_);
}

} // namespace
} // namespace lumetta::display
