// Mouse and keyboard routing: capture, hover, focus, activation, double clicks, wheel, dragging.
#include "Recorder.h"
#include "UiHarness.h"

#include "platform/ui/EditField.h"
#include "platform/ui/PushButton.h"

#include <gtest/gtest.h>

#include <functional>

namespace lumetta::test {
namespace {

using display::MouseButton;
using gfx::Point;
using gfx::Rect;
namespace msg = ui::msg;

// A top-level window with two children side by side.
struct TwoChildren {
    UiHarness h;
    Recorder top{"top"}, a{"a"}, b{"b"};
    TwoChildren() {
        top.createTop(Rect::fromSize(50, 50, 300, 200));
        a.createChild(top, Rect::fromSize(10, 10, 100, 100));
        b.createChild(top, Rect::fromSize(150, 10, 100, 100));
        h.pump();
    }
    void clearLogs() {
        top.log.clear();
        a.log.clear();
        b.log.clear();
    }
};

TEST(Input, ThePressedWindowGetsEveryMouseEventUntilAllButtonsAreUp) {
    TwoChildren f;
    struct Row {
        const char* step;
        std::function<void()> act;
        Recorder* receiver;
        ui::MessageId message;
    } rows[] = {
        {"left press on a",
         [&] {
             f.h.press(f.a, {50, 50});
         },
         &f.a, msg::LButtonDown},
        {"move over b",
         [&] {
             f.h.move(f.b, {20, 20});
         },
         &f.a, msg::MouseMove},
        {"right press over b",
         [&] {
             f.h.press(f.b, {20, 20}, MouseButton::Right);
         },
         &f.a, msg::RButtonDown},
        {"left release over b",
         [&] {
             f.h.release(f.b, {20, 20});
         },
         &f.a, msg::LButtonUp},
        {"move with right held",
         [&] {
             f.h.move(f.b, {30, 30});
         },
         &f.a, msg::MouseMove},
        {"right release",
         [&] {
             f.h.release(f.b, {30, 30}, MouseButton::Right);
         },
         &f.a, msg::RButtonUp},
        {"move after all are up",
         [&] {
             f.h.move(f.b, {31, 31});
         },
         &f.b, msg::MouseMove},
    };
    for (const Row& r : rows) {
        f.clearLogs();
        r.act();
        for (Recorder* w : {&f.top, &f.a, &f.b}) {
            int expected = w == r.receiver ? 1 : 0;
            EXPECT_EQ(w->count(r.message), expected) << r.step << ": " << w->name;
        }
    }
    // Points are in the receiver's own coordinates, wherever the pointer is.
    f.clearLogs();
    f.h.press(f.a, {50, 50});
    f.h.move(f.b, {20, 20});
    EXPECT_EQ(ui::unpackPoint(f.a.last(msg::MouseMove)->lParam), (Point{160, 20}));
    EXPECT_EQ(f.a.last(msg::MouseMove)->wParam & ui::mk::LButton, ui::mk::LButton);
    f.h.release(f.b, {20, 20});
}

TEST(Input, ExplicitCaptureFollowsThePointerEverywhereAndReportsItsLoss) {
    TwoChildren f;
    f.a.setCapture();
    EXPECT_EQ(f.h.display().mouseCapture(), f.top.nativeWindow());
    f.h.move(f.b, {20, 20});
    f.h.move(f.top, {-40, -40}); // off the window altogether
    EXPECT_EQ(f.a.count(msg::MouseMove), 2);
    EXPECT_EQ(ui::unpackPoint(f.a.last(msg::MouseMove)->lParam), (Point{-50, -50}));
    EXPECT_EQ(f.b.count(msg::MouseMove), 0);

    f.b.setCapture();
    ASSERT_EQ(f.a.count(msg::CaptureChanged), 1);
    EXPECT_EQ(ui::handleFromParam(std::uintptr_t(f.a.last(msg::CaptureChanged)->lParam)),
              f.b.handle());
    ui::Window::releaseCapture();
    ASSERT_EQ(f.b.count(msg::CaptureChanged), 1);
    EXPECT_EQ(f.b.last(msg::CaptureChanged)->lParam, 0);
    EXPECT_EQ(f.h.display().mouseCapture(), 0u);
    EXPECT_EQ(ui::Window::capture(), nullptr);
}

TEST(Input, MouseLeaveComesOnceWhenThePointerLeavesATrackedWindow) {
    TwoChildren f;
    Recorder other("other");
    other.createTop(Rect::fromSize(500, 400, 100, 100));
    f.h.move(f.a, {10, 10});
    f.a.trackMouseLeave();
    struct Row {
        const char* step;
        std::function<void()> act;
        int leaves; // total so far
    } rows[] = {
        {"move inside",
         [&] {
             f.h.move(f.a, {20, 20});
         },
         0},
        {"to the sibling",
         [&] {
             f.h.move(f.b, {20, 20});
         },
         1},
        {"back, untracked",
         [&] {
             f.h.move(f.a, {20, 20});
         },
         1},
        {"tracked again, to the parent",
         [&] {
             f.a.trackMouseLeave();
             f.h.move(f.top, {5, 5});
         },
         2},
        {"tracked again, to another window",
         [&] {
             f.h.move(f.a, {20, 20});
             f.a.trackMouseLeave();
             f.h.move(other, {5, 5});
         },
         3},
        {"tracking while not under the pointer",
         [&] {
             f.a.trackMouseLeave();
             f.h.pump();
         },
         4},
    };
    for (const Row& r : rows) {
        r.act();
        EXPECT_EQ(f.a.count(msg::MouseLeave), r.leaves) << r.step;
    }
}

TEST(Input, DoubleClicksReachOnlyWindowsThatAskForThem) {
    struct Row {
        bool accepts;
        int gapMs;
        std::vector<ui::MessageId> expected;
    } rows[] = {
        {true, 0, {msg::LButtonDown, msg::LButtonUp, msg::LButtonDblClk, msg::LButtonUp}},
        {false, 0, {msg::LButtonDown, msg::LButtonUp, msg::LButtonDown, msg::LButtonUp}},
        {true, 600, {msg::LButtonDown, msg::LButtonUp, msg::LButtonDown, msg::LButtonUp}},
    };
    for (const Row& r : rows) {
        UiHarness h;
        Recorder w;
        w.createTop(Rect::fromSize(0, 0, 100, 100));
        w.setAcceptsDoubleClicks(r.accepts);
        h.click(w, {10, 10});
        h.advance(std::chrono::milliseconds(r.gapMs));
        h.click(w, {11, 11});
        std::vector<ui::MessageId> got;
        for (auto id : w.inputs()) {
            if (id != msg::MouseMove) {
                got.push_back(id);
            }
        }
        EXPECT_EQ(got, r.expected) << "accepts " << r.accepts << ", gap " << r.gapMs;
    }
}

TEST(Input, DisabledChildrenPassPressesToTheirParentAndDisabledTopLevelsTakeNothing) {
    TwoChildren f;
    f.a.enable(false);
    f.h.click(f.top, {20, 20});
    EXPECT_EQ(f.a.count(msg::LButtonDown), 0);
    EXPECT_EQ(f.top.count(msg::LButtonDown), 1);
    f.top.enable(false);
    f.clearLogs();
    f.h.click(f.b, {5, 5});
    f.h.key(display::key::Space);
    EXPECT_TRUE(f.top.inputs().empty());
    EXPECT_TRUE(f.b.inputs().empty());
}

TEST(Input, FocusMovesWithNotificationsAndKeysGoToTheFocus) {
    TwoChildren f;
    f.a.setFocus();
    f.clearLogs();
    f.b.setFocus();
    ASSERT_EQ(f.a.count(msg::KillFocus), 1);
    EXPECT_EQ(ui::WindowHandle(f.a.last(msg::KillFocus)->wParam), f.b.handle());
    ASSERT_EQ(f.b.count(msg::SetFocus), 1);
    EXPECT_EQ(ui::WindowHandle(f.b.last(msg::SetFocus)->wParam), f.a.handle());

    f.h.key(display::key::Return);
    EXPECT_EQ(f.b.inputs(), (std::vector<ui::MessageId>{msg::KeyDown, msg::Char, msg::KeyUp}));
    EXPECT_EQ(f.b.last(msg::Char)->wParam, 13u);
    f.h.key(display::key::LetterA, display::modifier::Control);
    EXPECT_EQ(f.b.last(msg::Char)->wParam, 1u);
    EXPECT_TRUE(f.a.inputs().empty());
    // Text arrives only while a window that takes text has the focus.
    f.h.type("x");
    EXPECT_EQ(f.b.count(msg::Char), 2);
}

TEST(Input, PressingAnInactiveWindowActivatesItAndBringsBackItsFocus) {
    UiHarness h;
    Recorder one("one"), oneChild("oneChild"), two("two");
    one.createTop(Rect::fromSize(0, 0, 200, 200));
    oneChild.createChild(one, Rect::fromSize(10, 10, 50, 50));
    two.createTop(Rect::fromSize(300, 0, 200, 200));
    h.pump();
    oneChild.setFocus();
    EXPECT_EQ(h.desktop().activeWindow(), &one);
    h.click(two, {50, 50});
    EXPECT_EQ(h.desktop().activeWindow(), &two);
    EXPECT_EQ(h.display().activeWindow(), two.nativeWindow());
    EXPECT_EQ(ui::Window::focus(), &two);
    EXPECT_EQ(oneChild.count(msg::KillFocus), 1);
    h.click(one, {150, 150});
    EXPECT_EQ(h.desktop().activeWindow(), &one);
    EXPECT_EQ(ui::Window::focus(), &oneChild);
}

TEST(Input, TheWheelGoesToTheWindowUnderThePointerAndBubblesUp) {
    TwoChildren f;
    f.h.wheel(f.a, {5, 5}, -2);
    ASSERT_EQ(f.a.count(msg::MouseWheel), 1);
    EXPECT_EQ(ui::wheelDelta(f.a.last(msg::MouseWheel)->wParam), -240);
    EXPECT_EQ(ui::unpackPoint(f.a.last(msg::MouseWheel)->lParam), (Point{65, 65})); // screen
    EXPECT_EQ(f.top.count(msg::MouseWheel), 1);
}

TEST(Input, CursorFollowsTheWindowUnderThePointer) {
    UiHarness h;
    Recorder top;
    top.createTop(Rect::fromSize(0, 0, 300, 100));
    ui::EditField edit;
    edit.create(top, Rect::fromSize(10, 10, 100, 24), 1);
    ui::PushButton button;
    button.create(top, Rect::fromSize(150, 10, 80, 24), 2, "Go");
    top.setCursor(display::Cursor::Cross);
    struct Row {
        const ui::Window* over;
        display::Cursor expected;
    } rows[] = {{&edit, display::Cursor::IBeam},
                {&button, display::Cursor::Arrow},
                {&top, display::Cursor::Cross}};
    for (const Row& r : rows) {
        h.move(*r.over, {2, 2});
        EXPECT_EQ(h.display().cursor(), r.expected);
    }
}

// A window that moves when dragged by its body, as skinned dialogs are.
class Draggable : public Recorder {
protected:
    void onButtonDown(MouseButton button, Point p, unsigned) override {
        if (button == MouseButton::Left) {
            post(msg::NcLButtonDown, ui::kHitCaption, ui::packPoint(clientToScreen(p)));
        }
    }
};

TEST(Input, DraggingTheBodyMovesTheWindowUntilRelease) {
    UiHarness h;
    Draggable w;
    w.createTop(Rect::fromSize(100, 100, 200, 150));
    h.press(w, {10, 10});
    h.display().move(w.nativeWindow(), {50, 35}); // +40, +25 from the grab
    h.pump();
    EXPECT_EQ(w.rect().topLeft(), (Point{140, 125}));
    EXPECT_EQ(h.display().window(w.nativeWindow())->rect.topLeft(), (Point{140, 125}));
    h.display().release(w.nativeWindow(), {10, 10});
    h.pump();
    h.move(w, {60, 60});
    EXPECT_EQ(w.rect().topLeft(), (Point{140, 125}));
    EXPECT_GE(w.count(msg::MouseMove), 1);
    // A quick click that is over before the move starts moves nothing.
    h.click(w, {10, 10});
    h.move(w, {80, 80});
    EXPECT_EQ(w.rect().topLeft(), (Point{140, 125}));
}

TEST(Input, AWindowDestroyedInsideItsOwnHandlerLeavesNoStaleTargets) {
    TwoChildren f;
    f.a.onMessage = [&](ui::MessageId id, ui::WParam, ui::LParam) {
        if (id == msg::LButtonDown) {
            f.a.destroyWindow();
        }
    };
    f.a.trackMouseLeave();
    f.h.press(f.a, {5, 5});
    EXPECT_FALSE(f.a.exists());
    EXPECT_EQ(ui::Window::capture(), nullptr);
    f.h.move(f.b, {5, 5});
    f.h.release(f.b, {5, 5});
    EXPECT_EQ(f.b.count(msg::MouseMove), 1);
    f.h.click(f.b, {5, 5});
    EXPECT_EQ(f.b.count(msg::LButtonDown), 1);
}

} // namespace
} // namespace lumetta::test
