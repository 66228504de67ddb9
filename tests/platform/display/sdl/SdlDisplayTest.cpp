// The desktop display on a real X server of the test's own (Xvfb, no window manager): what the
// server shows, checked in screenshots, and what input the display reports, made with xdotool.
#include "SdlFixture.h"
#include "platform/display/Key.h"

namespace lumetta::display {
namespace {

using namespace sdltest;

TEST_F(SdlDisplayTest, OpensOnTheServerWithoutWindowManagerOrCompositor) {
    EXPECT_EQ(display_->screenSize(), server_.screen());
    EXPECT_FALSE(display_->windowManagerRunning());
    DisplayCapabilities caps = display_->capabilities();
    EXPECT_TRUE(caps.shapes);
    EXPECT_TRUE(caps.colorKey);
    // No compositor: the layer mixes translucent windows itself.
    EXPECT_FALSE(caps.constantAlpha);
}

TEST_F(SdlDisplayTest, RegionsCutTheWindowAndTheRootShowsThrough) {
    Rect rect = Rect::fromSize(100, 100, 200, 100);
    NativeWindowId w = shown(rect, kRed);
    gfx::Region shape(Rect{0, 0, 200, 100});
    shape.subtract(Rect{0, 0, 20, 20});
    shape.subtract(Rect{180, 80, 200, 100});
    display_->setWindowShape(w, &shape);
    gfx::Surface shot = screen();
    struct Row {
        Point at;
        unsigned expected;
    } rows[] = {
        {{100, 100}, kRoot}, {{119, 119}, kRoot}, {{120, 100}, kRed},
        {{200, 150}, kRed},  {{299, 199}, kRoot}, {{279, 179}, kRed},
    };
    for (const Row& r : rows) {
        EXPECT_EQ(rgbAt(shot, r.at), r.expected) << r.at.x << "," << r.at.y;
    }
    display_->setWindowShape(w, nullptr);
    shot = screen();
    EXPECT_EQ(rgbAt(shot, {100, 100}), kRed);
    EXPECT_EQ(rgbAt(shot, {299, 199}), kRed);
}

TEST_F(SdlDisplayTest, KeyColourPixelsAreCutOutAndFollowTheContent) {
    NativeWindowId w = shown(Rect::fromSize(300, 100, 100, 100), kBlue);
    gfx::Surface& fb = display_->frameBuffer(w);
    gfx::SysColor key = gfx::sysColor(0x20, 0xC0, 0x40); // kGreen
    for (int y = 40; y < 60; ++y) {
        for (int x = 40; x < 60; ++x) {
            fb.setPixel(x, y, opaque(kGreen));
        }
    }
    display_->present(w, gfx::Region(fb.bounds()));
    display_->setWindowAlpha(w, 255, key);
    gfx::Surface shot = screen();
    EXPECT_EQ(rgbAt(shot, {350, 150}), kRoot);
    EXPECT_EQ(rgbAt(shot, {335, 150}), kBlue);

    // New content without the key colour fills the hole again; the key's removal too.
    fill(w, kBlue);
    shot = screen();
    EXPECT_EQ(rgbAt(shot, {350, 150}), kBlue);
    fill(w, kGreen);
    display_->setWindowAlpha(w, 255, std::nullopt);
    shot = screen();
    EXPECT_EQ(rgbAt(shot, {350, 150}), kGreen);
}

TEST_F(SdlDisplayTest, PresentShowsOnlyTheChangedPart) {
    NativeWindowId w = shown(Rect::fromSize(50, 300, 100, 100), kRed);
    screen();
    display_->frameBuffer(w).fill(opaque(kGreen));
    display_->present(w, gfx::Region(Rect{0, 0, 10, 10}));
    gfx::Surface shot = screen();
    EXPECT_EQ(rgbAt(shot, {55, 305}), kGreen);
    EXPECT_EQ(rgbAt(shot, {100, 350}), kRed);
}

TEST_F(SdlDisplayTest, PointerInputArrivesInWindowPixels) {
    NativeWindowId w = shown(Rect::fromSize(200, 150, 300, 200), kBlue);
    settle();
    struct Row {
        std::vector<std::string> action;
        Type type;
        Point point;
        MouseButton button;
        int clicks;
        int wheel;
    } rows[] = {
        {{"mousemove", "230", "170"}, Type::MouseMove, {30, 20}, MouseButton::Left, 1, 0},
        {{"mousedown", "1"}, Type::ButtonDown, {30, 20}, MouseButton::Left, 1, 0},
        {{"mouseup", "1"}, Type::ButtonUp, {30, 20}, MouseButton::Left, 1, 0},
        // The second press soon after at the same place is a double click.
        {{"mousedown", "1"}, Type::ButtonDown, {30, 20}, MouseButton::Left, 2, 0},
        {{"mouseup", "1"}, Type::ButtonUp, {30, 20}, MouseButton::Left, 1, 0},
        {{"mousemove", "499", "349"}, Type::MouseMove, {299, 199}, MouseButton::Left, 1, 0},
        {{"mousedown", "3"}, Type::ButtonDown, {299, 199}, MouseButton::Right, 1, 0},
        {{"mouseup", "3"}, Type::ButtonUp, {299, 199}, MouseButton::Right, 1, 0},
        {{"mousedown", "2"}, Type::ButtonDown, {299, 199}, MouseButton::Middle, 1, 0},
        {{"mouseup", "2"}, Type::ButtonUp, {299, 199}, MouseButton::Middle, 1, 0},
        {{"click", "4"}, Type::Wheel, {299, 199}, MouseButton::Left, 1, 120},
        {{"click", "5"}, Type::Wheel, {299, 199}, MouseButton::Left, 1, -120},
    };
    for (const Row& r : rows) {
        xdotool(r.action);
        auto e = waitFor([&](const DisplayEvent& ev) { return ev.type == r.type; });
        ASSERT_TRUE(e) << r.action.front() << " " << r.action.back() << ": " << describe(events_);
        EXPECT_EQ(e->window, w) << r.action.front();
        EXPECT_EQ(e->point, r.point) << r.action.front() << " " << e->point.x << "," << e->point.y;
        if (r.type == Type::ButtonDown || r.type == Type::ButtonUp) {
            EXPECT_EQ(e->button, r.button) << r.action.front() << " " << r.action.back();
        }
        if (r.type == Type::ButtonDown) {
            EXPECT_EQ(e->clicks, r.clicks) << r.action.front();
        }
        EXPECT_EQ(e->wheelDelta, r.wheel) << r.action.front();
    }
    // Leaving the window is reported.
    xdotool({"mousemove", "10", "10"});
    EXPECT_TRUE(waitFor(Type::MouseLeft, w)) << describe(events_);
}

// The layer moves a window under the pointer itself when no manager runs; what the pointer
// reports afterwards must be relative to where the window is now.
TEST_F(SdlDisplayTest, PointsFollowAWindowMovedUnderThePointer) {
    NativeWindowId w = shown(Rect::fromSize(100, 100, 200, 200), kBlue);
    settle();
    xdotool({"mousemove", "150", "150"});
    ASSERT_TRUE(waitFor(Type::MouseMove, w));
    display_->setWindowRect(w, Rect::fromSize(120, 110, 200, 200));
    xdotool({"mousemove", "160", "150"});
    auto e = waitFor(
        [&](const DisplayEvent& ev) { return ev.type == Type::MouseMove && ev.point.x != 50; });
    ASSERT_TRUE(e) << describe(events_);
    EXPECT_EQ(e->point, (Point{40, 40}));
    gfx::Surface shot = screen();
    EXPECT_EQ(rgbAt(shot, {115, 150}), kRoot);
    EXPECT_EQ(rgbAt(shot, {125, 150}), kBlue);
}

TEST_F(SdlDisplayTest, CaptureKeepsReportingOutsideTheWindow) {
    NativeWindowId w = shown(Rect::fromSize(200, 150, 100, 100), kBlue);
    NativeWindowId other = shown(Rect::fromSize(500, 150, 100, 100), kGreen);
    auto at = [](Type type, Point p) {
        return [=](const DisplayEvent& e) { return e.type == type && e.point == p; };
    };
    settle();
    xdotool({"mousemove", "250", "200"});
    ASSERT_TRUE(waitFor(at(Type::MouseMove, {50, 50}))) << describe(events_);
    display_->setMouseCapture(w, true);
    xdotool({"mousemove", "520", "170"}); // over the other window
    auto e = waitFor(at(Type::MouseMove, {320, 20}));
    ASSERT_TRUE(e) << describe(events_);
    EXPECT_EQ(e->window, w);
    xdotool({"mousedown", "1"});
    e = waitFor(at(Type::ButtonDown, {320, 20}));
    ASSERT_TRUE(e) << describe(events_);
    EXPECT_EQ(e->window, w);
    xdotool({"mouseup", "1"});
    ASSERT_TRUE(waitFor(Type::ButtonUp, w)) << describe(events_);

    display_->setMouseCapture(w, false);
    events_.clear();
    xdotool({"mousemove", "530", "180"});
    e = waitFor(at(Type::MouseMove, {30, 30}));
    ASSERT_TRUE(e) << describe(events_);
    EXPECT_EQ(e->window, other);
    for (const DisplayEvent& ev : events_) {
        EXPECT_NE(ev.point, (Point{330, 30})) << "still captured: " << describe(events_);
    }
}

TEST_F(SdlDisplayTest, KeysAndTypedTextGoToTheActiveWindow) {
    NativeWindowId w = shown(Rect::fromSize(100, 100, 200, 100), kBlue);
    settle();
    std::string focused;
    ASSERT_EQ(server_.xdotool({"getwindowfocus"}, &focused), 0);
    EXPECT_EQ(std::stoul(focused), display_->x11Window(w));

    display_->startTextInput(w, Rect{10, 10, 11, 30});
    // xdotool types a character the keyboard map lacks by mapping a spare key to it for a
    // moment; it runs beside the loop so that its key is read while the mapping holds.
    std::string error;
    auto typing = test::ChildProcess::start({"xdotool", "type", "--delay", "30", "Hé!"},
                                            server_.environment(), error);
    ASSERT_NE(typing, nullptr) << error;
    std::string typed;
    while (typed != "Hé!") {
        auto e = waitFor([](const DisplayEvent& ev) { return ev.type == Type::Text; });
        ASSERT_TRUE(e) << "typed so far '" << typed << "': " << describe(events_);
        EXPECT_EQ(e->window, w);
        typed += e->text;
    }
    EXPECT_EQ(typing->wait(std::chrono::seconds(10)), 0);
    xdotool({"key", "Return"});
    auto key = waitFor(
        [](const DisplayEvent& ev) { return ev.type == Type::KeyDown && ev.key == key::Return; });
    ASSERT_TRUE(key) << describe(events_);
    EXPECT_EQ(key->window, w);
    xdotool({"key", "shift+a"});
    key = waitFor(
        [](const DisplayEvent& ev) { return ev.type == Type::KeyDown && ev.key == key::LetterA; });
    ASSERT_TRUE(key) << describe(events_);
    EXPECT_EQ(key->modifiers, modifier::Shift);

    // Outside text input, keys still come but no text.
    display_->stopTextInput();
    events_.clear();
    xdotool({"type", "--delay", "30", "x"});
    ASSERT_TRUE(waitFor([](const DisplayEvent& ev) {
        return ev.type == Type::KeyUp && ev.key == key::LetterA + ('x' - 'a');
    }));
    for (const DisplayEvent& e : events_) {
        EXPECT_NE(e.type, Type::Text) << e.text;
    }
}

TEST_F(SdlDisplayTest, WaitingEndsOnWakeFromAnotherThreadAndOnTimeout) {
    shown(Rect::fromSize(0, 0, 50, 50), kBlue);
    settle();
    for (int round = 0; round < 3; ++round) {
        std::thread waker([&] {
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
            display_->wake();
        });
        display_->waitEvents(std::nullopt);
        waker.join();
        drain();
    }
    // Nothing to wait for: the timeout ends the wait.
    display_->waitEvents(std::chrono::milliseconds(30));
    display_->waitEvents(std::chrono::microseconds(100));
}

TEST_F(SdlDisplayTest, PopupsShowWhereAskedAndNeverTakeTheFocus) {
    NativeWindowId main = shown(Rect::fromSize(100, 100, 300, 200), kBlue);
    WindowSpec desc;
    desc.popup = true;
    desc.owner = main;
    NativeWindowId popup = shown(Rect::fromSize(350, 250, 80, 40), kRed, desc);
    display_->activateWindow(popup);
    gfx::Surface shot = screen();
    EXPECT_EQ(rgbAt(shot, {360, 260}), kRed);
    EXPECT_EQ(rgbAt(shot, {340, 260}), kBlue);
    EXPECT_EQ(rgbAt(shot, {420, 280}), kRed);
    std::string focused;
    ASSERT_EQ(server_.xdotool({"getwindowfocus"}, &focused), 0);
    EXPECT_EQ(std::stoul(focused), display_->x11Window(main));

    // A window shown later (a dialog) covers the pop-up: pop-ups are no band of their own.
    WindowSpec dialog;
    dialog.owner = main;
    shown(Rect::fromSize(340, 240, 60, 60), kGreen, dialog);
    EXPECT_EQ(rgbAt(screen(), {360, 260}), kGreen);
}

TEST_F(SdlDisplayTest, StackingKeepsTopmostAndOwnedWindowsAbove) {
    WindowSpec top;
    top.topmost = true;
    NativeWindowId a = shown(Rect::fromSize(100, 100, 100, 100), kRed, top);
    NativeWindowId b = shown(Rect::fromSize(150, 150, 100, 100), kGreen);
    WindowSpec owned;
    owned.owner = b;
    shown(Rect::fromSize(200, 200, 100, 100), kBlue, owned);
    display_->raiseWindow(b);
    gfx::Surface shot = screen();
    EXPECT_EQ(rgbAt(shot, {175, 175}), kRed);  // the topmost window over b
    EXPECT_EQ(rgbAt(shot, {225, 225}), kBlue); // the owned window over its owner
    EXPECT_EQ(rgbAt(shot, {160, 240}), kGreen);

    display_->setTopmost(a, false);
    display_->raiseWindow(b);
    shot = screen();
    EXPECT_EQ(rgbAt(shot, {175, 175}), kGreen);
}

TEST_F(SdlDisplayTest, MinimisingWithoutWindowManagerHidesAndRestoreBringsBack) {
    NativeWindowId w = shown(Rect::fromSize(600, 100, 100, 100), kRed);
    settle();
    display_->minimizeWindow(w);
    EXPECT_TRUE(waitFor(Type::Minimized, w));
    EXPECT_EQ(rgbAt(screen(), {650, 150}), kRoot);
    display_->restoreWindow(w);
    EXPECT_TRUE(waitFor(Type::Restored, w));
    EXPECT_EQ(rgbAt(screen(), {650, 150}), kRed);
}

TEST_F(SdlDisplayTest, HidingTheActiveWindowHandsTheFocusToItsOwner) {
    NativeWindowId owner = shown(Rect::fromSize(100, 100, 300, 300), kBlue);
    NativeWindowId other = shown(Rect::fromSize(500, 100, 100, 100), kGreen);
    WindowSpec desc;
    desc.owner = owner;
    NativeWindowId dialog = shown(Rect::fromSize(150, 150, 100, 100), kRed, desc);
    settle();
    // The program's own activations are not echoed back.
    for (const DisplayEvent& e : events_) {
        EXPECT_NE(e.type, Type::FocusGained) << describe(events_);
    }
    display_->showWindow(dialog, false, false);
    auto e = waitFor([](const DisplayEvent& ev) { return ev.type == Type::FocusGained; });
    ASSERT_TRUE(e) << describe(events_);
    EXPECT_EQ(e->window, owner);
    EXPECT_NE(e->window, other);
    std::string focused;
    ASSERT_EQ(server_.xdotool({"getwindowfocus"}, &focused), 0);
    EXPECT_EQ(std::stoul(focused), display_->x11Window(owner));
}

TEST_F(SdlDisplayTest, WithoutWindowManagerTheLayerMovesWindows) {
    NativeWindowId w = shown(Rect::fromSize(100, 100, 100, 100), kRed);
    settle();
    xdotool({"mousemove", "150", "150"});
    xdotool({"mousedown", "1"});
    ASSERT_TRUE(waitFor(Type::ButtonDown, w));
    EXPECT_FALSE(display_->beginMove(w));
    xdotool({"mouseup", "1"});
    EXPECT_TRUE(waitFor(Type::ButtonUp, w));
}

TEST_F(SdlDisplayTest, EmptyWindowsStayOffTheScreenUntilTheyHaveASize) {
    NativeWindowId w = window(Rect::fromSize(300, 300, 0, 0), kRed);
    display_->showWindow(w, true, true);
    EXPECT_EQ(rgbAt(screen(), {300, 300}), kRoot);
    display_->setWindowRect(w, Rect::fromSize(300, 300, 60, 60));
    fill(w, kRed);
    EXPECT_EQ(rgbAt(screen(), {330, 330}), kRed);
}

} // namespace
} // namespace lumetta::display
