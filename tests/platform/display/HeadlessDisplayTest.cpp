// The headless display on its own: the choice of a display, double clicks, focus handed on,
// screen composition, idle steps and virtual time.
#include "platform/display/headless/HeadlessDisplay.h"
#include "platform/core/Clock.h"
#include "platform/display/OpenDisplay.h"
#include "platform/gfx/Picture.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <vector>

namespace lumetta::display {
namespace {

using namespace std::chrono_literals;
using gfx::Point;
using gfx::Rect;
using Type = DisplayEvent::Type;

std::vector<DisplayEvent> drain(HeadlessDisplay& d) {
    std::vector<DisplayEvent> out;
    DisplayEvent e;
    while (d.pollEvent(e)) {
        out.push_back(e);
    }
    return out;
}

NativeWindowId shown(HeadlessDisplay& d, const Rect& rect, NativeWindowId owner = 0) {
    WindowSpec desc;
    desc.rect = rect;
    desc.owner = owner;
    NativeWindowId id = d.createWindow(desc);
    d.showWindow(id, true, true);
    return id;
}

TEST(OpenDisplay, ChoosesByNameAndFallsBackWithANote) {
    struct Row {
        const char* name;
        const char* backend;
        bool note;
    } rows[] = {{"headless", "headless", false}, {"nonsense", "headless", true}};
    for (const Row& r : rows) {
        std::string note;
        auto backend = openDisplay(r.name, note);
        ASSERT_NE(backend, nullptr) << r.name;
        EXPECT_STREQ(backend->name(), r.backend) << r.name;
        EXPECT_EQ(!note.empty(), r.note) << r.name;
        if (r.note) {
            EXPECT_NE(note.find(r.name), std::string::npos) << note;
        }
    }
    // The desktop display opens where there is a desktop, else the note says why not.
    std::string note;
    auto desktop = openDisplay("sdl", note);
    ASSERT_NE(desktop, nullptr);
    if (std::string(desktop->name()) == "sdl") {
        EXPECT_TRUE(note.empty()) << note;
    } else {
        EXPECT_STREQ(desktop->name(), "headless");
        EXPECT_NE(note.find("sdl"), std::string::npos) << note;
    }
    ::setenv("LUMETTA_DISPLAY", "headless", 1);
    EXPECT_STREQ(openDisplay()->name(), "headless");
    ::unsetenv("LUMETTA_DISPLAY");
}

TEST(HeadlessDisplay, TwoPressesCloseInTimeAndPlaceMakeADoubleClick) {
    struct Row {
        std::chrono::milliseconds gap;
        int dx;
        int clicks;
    } rows[] = {{0ms, 0, 2}, {500ms, 4, 2}, {501ms, 0, 1}, {100ms, 5, 1}};
    for (const Row& r : rows) {
        core::ManualClock clock;
        HeadlessDisplay::Options options;
        options.clock = &clock;
        HeadlessDisplay d(options);
        NativeWindowId w = shown(d, Rect::fromSize(0, 0, 100, 100));
        d.click(w, {10, 10});
        clock.advance(r.gap);
        d.click(w, {10 + r.dx, 10});
        int second = 0;
        int presses = 0;
        for (const DisplayEvent& e : drain(d)) {
            if (e.type == Type::ButtonDown && ++presses == 2) {
                second = e.clicks;
            }
        }
        EXPECT_EQ(second, r.clicks) << r.gap.count() << "ms, " << r.dx << "px";
    }
}

TEST(HeadlessDisplay, ActivationByThePointerIsReportedAndRequestsAreNot) {
    HeadlessDisplay d;
    NativeWindowId a = shown(d, Rect::fromSize(0, 0, 100, 100));
    NativeWindowId b = shown(d, Rect::fromSize(200, 0, 100, 100));
    drain(d);
    EXPECT_EQ(d.activeWindow(), b);
    d.press(a, {5, 5});
    auto events = drain(d);
    ASSERT_EQ(events.size(), 3u);
    EXPECT_EQ(events[0].type, Type::FocusLost);
    EXPECT_EQ(events[0].window, b);
    EXPECT_EQ(events[1].type, Type::FocusGained);
    EXPECT_EQ(events[1].window, a);
    EXPECT_EQ(events[2].type, Type::ButtonDown);
    // A program's request supersedes news it has not taken yet.
    d.press(b, {5, 5});
    d.activateWindow(a);
    for (const DisplayEvent& e : drain(d)) {
        EXPECT_NE(e.type, Type::FocusGained);
    }
    EXPECT_EQ(d.activeWindow(), a);
}

TEST(HeadlessDisplay, HidingTheActiveWindowHandsTheFocusToItsOwner) {
    HeadlessDisplay d;
    NativeWindowId owner = shown(d, Rect::fromSize(0, 0, 100, 100));
    NativeWindowId other = shown(d, Rect::fromSize(200, 0, 100, 100));
    NativeWindowId dialog = shown(d, Rect::fromSize(20, 20, 50, 50), owner);
    drain(d);
    (void)other;
    d.showWindow(dialog, false, false);
    EXPECT_EQ(d.activeWindow(), owner);
    auto events = drain(d);
    ASSERT_FALSE(events.empty());
    EXPECT_EQ(events.back().type, Type::FocusGained);
    EXPECT_EQ(events.back().window, owner);
}

TEST(HeadlessDisplay, ScreenComposesShapesKeysAndAlphaInStackingOrder) {
    HeadlessDisplay::Options options;
    options.screen = {40, 20};
    HeadlessDisplay d(options);
    NativeWindowId below = shown(d, Rect::fromSize(0, 0, 40, 20));
    d.frameBuffer(below).fill(gfx::makePixel(255, 0, 0, 255)); // blue
    NativeWindowId above = shown(d, Rect::fromSize(10, 0, 20, 20));
    gfx::Surface& px = d.frameBuffer(above);
    px.fill(gfx::makePixel(255, 255, 0, 0));           // red
    px.setPixel(0, 0, gfx::makePixel(255, 0, 255, 0)); // green: the key colour
    d.setWindowAlpha(above, 128, gfx::sysColor(0, 255, 0));
    gfx::Region shape(Rect{0, 0, 20, 10});
    d.setWindowShape(above, &shape);
    gfx::Surface screen = d.composeScreen();
    struct Row {
        Point p;
        gfx::SysColor expected;
    } rows[] = {
        {{5, 5}, gfx::sysColor(0, 0, 255)},    // only the window below
        {{10, 0}, gfx::sysColor(0, 0, 255)},   // key colour: not drawn
        {{10, 15}, gfx::sysColor(0, 0, 255)},  // outside the shape
        {{15, 5}, gfx::sysColor(128, 0, 127)}, // red at half over blue
    };
    for (const Row& r : rows) {
        gfx::SysColor got = screen.colorAt(r.p.x, r.p.y);
        EXPECT_NEAR(gfx::sysRed(got), gfx::sysRed(r.expected), 1) << r.p.x << "," << r.p.y;
        EXPECT_NEAR(gfx::sysGreen(got), gfx::sysGreen(r.expected), 1) << r.p.x << "," << r.p.y;
        EXPECT_NEAR(gfx::sysBlue(got), gfx::sysBlue(r.expected), 1) << r.p.x << "," << r.p.y;
    }
    EXPECT_EQ(d.windowAt({15, 5}), above);
    EXPECT_EQ(d.windowAt({15, 15}), below); // outside the shape
    d.minimizeWindow(above);
    EXPECT_EQ(d.composeScreen().colorAt(15, 5), gfx::sysColor(0, 0, 255));
}

TEST(HeadlessDisplay, IdleStepsRunBeforeTimeIsMovedOn) {
    core::ManualClock clock;
    HeadlessDisplay::Options options;
    options.clock = &clock;
    options.advanceClockWhenIdle = true;
    HeadlessDisplay d(options);
    core::TimePoint start = clock.now();
    int ran = 0;
    d.whenIdle([&] { ++ran; });
    d.waitEvents(100ms);
    EXPECT_EQ(ran, 1);
    EXPECT_EQ(clock.now(), start);
    d.waitEvents(100ms);
    EXPECT_EQ(clock.now(), start + 100ms);
    // Typed text reaches nobody until text input is asked for.
    d.typeText("a");
    EXPECT_EQ(d.pendingEvents(), 0u);
    d.startTextInput(0, {});
    d.typeText("a");
    EXPECT_EQ(d.pendingEvents(), 1u);
}

TEST(HeadlessDisplay, WindowsAndTheScreenAreWrittenAsPng) {
    HeadlessDisplay::Options options;
    options.screen = {64, 48};
    HeadlessDisplay d(options);
    NativeWindowId w = shown(d, Rect::fromSize(8, 8, 20, 10));
    d.frameBuffer(w).fill(gfx::makePixel(255, 200, 10, 10));
    std::filesystem::path dir = std::filesystem::temp_directory_path() / "lumetta-headless-png";
    std::filesystem::create_directories(dir);
    ASSERT_TRUE(d.saveWindowPng(w, dir / "window.png"));
    ASSERT_TRUE(d.saveScreenPng(dir / "screen.png"));
    EXPECT_FALSE(d.saveWindowPng(w + 100, dir / "none.png"));
    gfx::LoadedPicture window = gfx::loadPictureFile(dir / "window.png");
    gfx::LoadedPicture screen = gfx::loadPictureFile(dir / "screen.png");
    ASSERT_TRUE(window.ok() && screen.ok());
    EXPECT_EQ(window.surface.size(), (gfx::Size{20, 10}));
    EXPECT_EQ(screen.surface.size(), (gfx::Size{64, 48}));
    EXPECT_EQ(screen.surface.colorAt(10, 10), gfx::sysColor(200, 10, 10));
    EXPECT_EQ(screen.surface.pixel(0, 0), HeadlessDisplay::kDesktopPixel);
    std::filesystem::remove_all(dir);
}

} // namespace
} // namespace lumetta::display
