// Window geometry, tree, painting and life, on the headless display.
#include "Recorder.h"
#include "UiHarness.h"

#include "platform/core/Window.h"

#include <gtest/gtest.h>

namespace lumetta::test {
namespace {

using gfx::Point;
using gfx::Rect;

TEST(Window, ClientAndScreenCoordinatesThroughNestedChildren) {
    UiHarness h;
    Recorder top, mid, leaf;
    ASSERT_TRUE(top.createTop(Rect::fromSize(100, 50, 400, 300)));
    ASSERT_TRUE(mid.createChild(top, Rect::fromSize(20, 30, 200, 200)));
    ASSERT_TRUE(leaf.createChild(mid, Rect::fromSize(5, 7, 50, 50)));
    struct Row {
        const ui::Window* window;
        Point client;
        Point screen;
    } rows[] = {
        {&top, {0, 0}, {100, 50}},
        {&mid, {0, 0}, {120, 80}},
        {&leaf, {0, 0}, {125, 87}},
        {&leaf, {-3, 10}, {122, 97}},
    };
    for (const Row& r : rows) {
        EXPECT_EQ(r.window->clientToScreen(r.client), r.screen) << r.client.x << "," << r.client.y;
        EXPECT_EQ(r.window->screenToClient(r.screen), r.client);
    }
    EXPECT_EQ(leaf.offsetInTopLevel(), (Point{25, 37}));
    top.moveTo({0, 0});
    EXPECT_EQ(leaf.clientToScreen({0, 0}), (Point{25, 37}));
}

TEST(Window, HitTestingFindsTheDeepestVisibleEnabledChild) {
    UiHarness h;
    Recorder top, a, b, hidden, disabled;
    top.createTop(Rect::fromSize(0, 0, 300, 200));
    a.createChild(top, Rect::fromSize(10, 10, 100, 100));
    b.createChild(a, Rect::fromSize(10, 10, 30, 30)); // above a's own area
    hidden.createChild(top, Rect::fromSize(150, 10, 50, 50));
    hidden.hide();
    disabled.createChild(top, Rect::fromSize(150, 100, 50, 50));
    disabled.enable(false);
    struct Row {
        Point p;
        const ui::Window* expected;
    } rows[] = {
        {{5, 5}, &top},    {{15, 15}, &a},     {{25, 25}, &b},
        {{160, 20}, &top}, {{160, 110}, &top}, // hidden and disabled windows take nothing
        {{109, 109}, &a},  {{110, 110}, &top}, // right and bottom edges are outside
    };
    for (const Row& r : rows) {
        EXPECT_EQ(top.childAt(r.p), r.expected) << r.p.x << "," << r.p.y;
    }
}

TEST(Window, PaintingGoesParentFirstAndOnlyWhereInvalid) {
    UiHarness h;
    Recorder top("top", 0x0000FF), a("a", 0x00FF00), b("b", 0xFF0000);
    top.createTop(Rect::fromSize(0, 0, 200, 100));
    a.createChild(top, Rect::fromSize(10, 10, 50, 50));
    b.createChild(top, Rect::fromSize(100, 10, 50, 50));
    h.pump();
    EXPECT_EQ(top.paints, 1);
    EXPECT_EQ(a.paints, 1);
    EXPECT_EQ(b.paints, 1);
    gfx::Surface shot = h.snapshot(top);
    EXPECT_EQ(shot.colorAt(5, 5), 0x0000FFu);
    EXPECT_EQ(shot.colorAt(20, 20), 0x00FF00u);
    EXPECT_EQ(shot.colorAt(120, 20), 0xFF0000u);

    // Several invalidations before the loop turns make one pass; a's area is not touched.
    b.invalidate();
    b.invalidate(Rect{0, 0, 5, 5});
    int presents = h.display().window(top.nativeWindow())->presents;
    h.pump();
    EXPECT_EQ(b.paints, 2);
    EXPECT_EQ(a.paints, 1);
    EXPECT_EQ(top.paints, 2); // the parent paints beneath b, clipped to it
    EXPECT_EQ(h.display().window(top.nativeWindow())->presents, presents + 1);

    // A child painting outside its rectangle is cut to it.
    b.color = 0x00FFFF;
    b.invalidate();
    h.pump();
    shot = h.snapshot(top);
    EXPECT_EQ(shot.colorAt(99, 20), 0x0000FFu);
    EXPECT_EQ(shot.colorAt(100, 20), 0x00FFFFu);
}

TEST(Window, HidingAndMovingAChildRepaintsWhatWasBeneath) {
    UiHarness h;
    Recorder top("top", 0x000000), a("a", 0xFFFFFF);
    top.createTop(Rect::fromSize(0, 0, 100, 100));
    a.createChild(top, Rect::fromSize(10, 10, 20, 20));
    h.pump();
    a.moveTo({50, 50});
    h.pump();
    gfx::Surface shot = h.snapshot(top);
    EXPECT_EQ(shot.colorAt(15, 15), 0x000000u);
    EXPECT_EQ(shot.colorAt(55, 55), 0xFFFFFFu);
    a.hide();
    h.pump();
    EXPECT_EQ(h.snapshot(top).colorAt(55, 55), 0x000000u);
}

TEST(Window, ChildRegionCutsPaintingAndInput) {
    UiHarness h;
    Recorder top("top", 0x000000), shaped("shaped", 0xFFFFFF);
    top.createTop(Rect::fromSize(0, 0, 100, 100));
    shaped.createChild(top, Rect::fromSize(10, 10, 40, 40));
    // An L: the left column and the bottom row of the child.
    gfx::Region l(Rect{0, 0, 10, 40});
    l.unite(Rect{0, 30, 40, 40});
    ASSERT_TRUE(shaped.setRegion(l));
    EXPECT_FALSE(shaped.setRegion(gfx::Region())); // an empty region is refused
    h.pump();
    gfx::Surface shot = h.snapshot(top);
    EXPECT_EQ(shot.colorAt(12, 12), 0xFFFFFFu);
    EXPECT_EQ(shot.colorAt(30, 15), 0x000000u);
    EXPECT_EQ(shot.colorAt(45, 45), 0xFFFFFFu);
    h.click(top, {30, 15});
    EXPECT_EQ(shaped.count(ui::msg::LButtonDown), 0);
    EXPECT_EQ(top.count(ui::msg::LButtonDown), 1);
    h.click(top, {12, 12});
    EXPECT_EQ(shaped.count(ui::msg::LButtonDown), 1);
}

TEST(Window, DestroyedWindowsDropMessagesAndCanBeCreatedAgain) {
    UiHarness h;
    Recorder top, child;
    top.createTop(Rect::fromSize(0, 0, 100, 100));
    child.createChild(top, Rect::fromSize(0, 0, 10, 10));
    ui::WindowHandle first = child.handle();
    ui::WindowHandle topHandle = top.handle();
    child.post(0x0400);
    top.destroyWindow(); // takes the child with it
    EXPECT_FALSE(child.exists());
    EXPECT_EQ(child.parent(), nullptr);
    EXPECT_EQ(ui::Window::fromHandle(first), nullptr);
    EXPECT_FALSE(core::postMessage(first, 0x0400));
    h.pump();
    EXPECT_EQ(child.count(0x0400), 0);
    EXPECT_EQ(child.count(ui::msg::Destroy), 1);
    EXPECT_EQ(h.display().window(top.nativeWindow()), std::nullopt);

    ASSERT_TRUE(top.createTop(Rect::fromSize(0, 0, 100, 100)));
    EXPECT_NE(top.handle(), topHandle);
    EXPECT_TRUE(h.display().window(top.nativeWindow()).has_value());
}

TEST(Window, DestroyingAnOwnerTakesItsOwnedWindows) {
    UiHarness h;
    Recorder owner, owned;
    owner.createTop(Rect::fromSize(0, 0, 100, 100));
    owned.createTop(Rect::fromSize(10, 10, 50, 50), "owned", &owner);
    EXPECT_EQ(owned.owner(), &owner);
    owner.destroyWindow();
    EXPECT_FALSE(owned.exists());
}

TEST(Window, FindsTopLevelWindowsByTitleAndCentresOnOwner) {
    UiHarness h({1000, 800});
    Recorder main, warn1, warn2;
    main.createTop(Rect::fromSize(100, 100, 400, 300), "Main");
    warn1.createTop(Rect::fromSize(0, 0, 100, 50), "WARN", &main);
    warn2.createTop(Rect::fromSize(0, 0, 100, 50), "WARN", &main);
    EXPECT_EQ(h.desktop().findWindow("Main"), &main);
    EXPECT_EQ(h.desktop().findWindow("WARN"), &warn2); // the highest one
    EXPECT_EQ(h.desktop().findWindow("none"), nullptr);
    warn1.centerOn();
    EXPECT_EQ(warn1.rect(), Rect::fromSize(250, 225, 100, 50));
    // Kept on the screen.
    main.moveTo({-300, 700});
    warn1.centerOn();
    EXPECT_EQ(warn1.rect().left, 0);
    EXPECT_EQ(warn1.rect().bottom, 800);
}

TEST(Window, TopLevelStateReachesTheDisplay) {
    UiHarness h;
    Recorder w;
    w.createTop(Rect::fromSize(10, 20, 64, 48), "State");
    auto native = w.nativeWindow();
    w.setTitle("Renamed");
    w.setTopmost(true);
    gfx::Surface icon(16, 16);
    icon.fill(0xFFFF0000);
    w.setIcon(std::move(icon));
    ASSERT_TRUE(w.setRegion(gfx::Region(Rect{0, 0, 32, 48})));
    w.setLayered(120, 0x00FF00);
    w.minimize();
    auto info = h.display().window(native);
    ASSERT_TRUE(info.has_value());
    EXPECT_EQ(info->title, "Renamed");
    EXPECT_TRUE(info->topmost);
    EXPECT_TRUE(info->hasIcon);
    EXPECT_TRUE(info->minimized);
    EXPECT_EQ(info->alpha, 120);
    EXPECT_EQ(info->colorKey, std::optional<gfx::SysColor>(0x00FF00));
    EXPECT_EQ(info->shape, std::optional<gfx::Region>(gfx::Region(Rect{0, 0, 32, 48})));
    EXPECT_TRUE(w.isMinimized());
    w.restore();
    EXPECT_FALSE(h.display().window(native)->minimized);
}

} // namespace
} // namespace lumetta::test
