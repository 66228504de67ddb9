// The framework controls driven as a user would: push button, edit field, scroll bar, progress
// bar and tooltip.
#include "Recorder.h"
#include "UiHarness.h"

#include "platform/ui/EditField.h"
#include "platform/ui/ProgressBar.h"
#include "platform/ui/PushButton.h"
#include "platform/ui/ScrollBar.h"
#include "platform/ui/Tooltip.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

namespace lumetta::test {
namespace {

using namespace std::chrono_literals;
using gfx::Point;
using gfx::Rect;
namespace msg = ui::msg;

// The commands a parent got, as (control id, code) pairs.
std::vector<std::pair<int, int>> commands(const Recorder& parent) {
    std::vector<std::pair<int, int>> out;
    for (const auto& r : parent.log) {
        if (r.id == msg::Command) {
            out.emplace_back(ui::lowWord(r.wParam), ui::highWord(r.wParam));
        }
    }
    return out;
}

struct ButtonFixture {
    UiHarness h;
    Recorder top{"top"};
    ui::PushButton button;
    ButtonFixture() {
        top.createTop(Rect::fromSize(0, 0, 300, 200));
        button.create(top, Rect::fromSize(100, 50, 80, 30), 42, "Apply");
        h.pump();
    }
};

TEST(PushButton, ClicksOnReleaseOverTheButtonOnly) {
    using Steps = std::function<void(ButtonFixture&)>;
    struct Row {
        const char* name;
        Steps steps;
        int clicks;
    } rows[] = {
        {"press and release inside",
         [](ButtonFixture& f) {
             f.h.click(f.button, {10, 10});
         },
         1},
        {"released outside",
         [](ButtonFixture& f) {
             f.h.press(f.button, {10, 10});
             f.h.move(f.top, {5, 5});
             f.h.release(f.top, {5, 5});
         },
         0},
        {"out and back in",
         [](ButtonFixture& f) {
             f.h.press(f.button, {10, 10});
             f.h.move(f.top, {5, 5});
             f.h.move(f.button, {20, 20});
             f.h.release(f.button, {20, 20});
         },
         1},
        {"pressed elsewhere, released on it",
         [](ButtonFixture& f) {
             f.h.press(f.top, {5, 5});
             f.h.move(f.button, {10, 10});
             f.h.release(f.button, {10, 10});
         },
         0},
        {"disabled",
         [](ButtonFixture& f) {
             f.button.enable(false);
             f.h.click(f.button, {10, 10});
         },
         0},
        {"space bar",
         [](ButtonFixture& f) {
             f.button.setFocus();
             f.h.key(display::key::Space);
         },
         1},
        {"right button",
         [](ButtonFixture& f) {
             f.h.click(f.button, {10, 10}, display::MouseButton::Right);
         },
         0},
    };
    for (const Row& r : rows) {
        ButtonFixture f;
        r.steps(f);
        auto got = commands(f.top);
        EXPECT_EQ(int(got.size()), r.clicks) << r.name;
        for (auto [id, code] : got) {
            EXPECT_EQ(id, 42) << r.name;
            EXPECT_EQ(code, ui::notify::Clicked) << r.name;
        }
        if (!got.empty()) {
            EXPECT_EQ(ui::handleFromParam(std::uintptr_t(f.top.last(msg::Command)->lParam)),
                      f.button.handle());
        }
    }
}

TEST(PushButton, PressedStateFollowsThePointerWhileHeld) {
    ButtonFixture f;
    EXPECT_FALSE(f.button.isPressed());
    f.h.press(f.button, {10, 10});
    EXPECT_TRUE(f.button.isPressed());
    EXPECT_TRUE(f.button.hasCapture());
    f.h.move(f.top, {5, 5});
    EXPECT_FALSE(f.button.isPressed());
    f.h.move(f.button, {15, 15});
    EXPECT_TRUE(f.button.isPressed());
    f.h.release(f.button, {15, 15});
    EXPECT_FALSE(f.button.isPressed());
    EXPECT_FALSE(f.button.hasCapture());
}

struct EditFixture {
    UiHarness h;
    Recorder top{"top"};
    ui::EditField edit;
    ui::PushButton other;
    explicit EditFixture(int width = 200, ui::EditStyle style = {}) {
        top.createTop(Rect::fromSize(0, 0, 400, 100));
        edit.create(top, Rect::fromSize(10, 10, width, 24), 7, style);
        other.create(top, Rect::fromSize(300, 10, 60, 24), 8, "Other");
        h.pump();
    }
    int count(int code) const {
        int n = 0;
        for (auto [id, c] : commands(top)) {
            n += id == 7 && c == code ? 1 : 0;
        }
        return n;
    }
};

TEST(EditField, FocusTypingAndTheNotificationsOnTheWay) {
    EditFixture f;
    EXPECT_FALSE(f.h.display().textInputActive());
    f.h.click(f.edit, {5, 5});
    EXPECT_TRUE(f.edit.hasFocus());
    EXPECT_TRUE(f.h.display().textInputActive());
    EXPECT_EQ(f.count(ui::notify::EditSetFocus), 1);
    f.h.type("héllo");
    EXPECT_EQ(f.edit.text(), "héllo");
    EXPECT_EQ(f.edit.caret(), 5);
    EXPECT_EQ(f.count(ui::notify::EditChange), 5);
    f.h.key(display::key::Back);
    f.h.key(display::key::Home);
    f.h.type(">");
    EXPECT_EQ(f.edit.text(), ">héll");
    // Focus leaves for another control.
    f.h.click(f.other, {5, 5});
    EXPECT_EQ(f.count(ui::notify::EditKillFocus), 1);
    EXPECT_FALSE(f.h.display().textInputActive());
    f.h.type("ignored");
    EXPECT_EQ(f.edit.text(), ">héll");
}

TEST(EditField, SelectionByKeysAndMouseIsReplacedByTyping) {
    struct Row {
        const char* name;
        std::function<void(EditFixture&)> steps;
        std::string text;
    } rows[] = {
        {"shift+left twice",
         [](EditFixture& f) {
             f.h.key(display::key::Left, display::modifier::Shift);
             f.h.key(display::key::Left, display::modifier::Shift);
             f.h.type("X");
         },
         "abcdX"},
        {"control+a",
         [](EditFixture& f) {
             f.h.key(display::key::LetterA, display::modifier::Control);
             f.h.type("new");
         },
         "new"},
        {"home, shift+end, delete",
         [](EditFixture& f) {
             f.h.key(display::key::Home);
             f.h.key(display::key::End, display::modifier::Shift);
             f.h.key(display::key::Delete);
         },
         ""},
        {"double click selects the word",
         [](EditFixture& f) {
             f.h.doubleClick(f.edit, {8, 10});
             f.h.type("Z");
         },
         "Z"},
        {"select all, then backspace",
         [](EditFixture& f) {
             f.edit.selectAll();
             f.h.key(display::key::Back);
         },
         ""},
        {"left collapses a selection",
         [](EditFixture& f) {
             f.edit.selectAll();
             f.h.key(display::key::Left);
             f.h.type("<");
         },
         "<abcdef"},
    };
    for (const Row& r : rows) {
        EditFixture f;
        f.h.click(f.edit, {5, 5});
        f.h.type("abcdef");
        r.steps(f);
        EXPECT_EQ(f.edit.text(), r.text) << r.name;
    }
}

TEST(EditField, MaximumLengthAndDigitsOnly) {
    struct Row {
        int maxLength;
        bool digits;
        std::string typed;
        std::string text;
        int maxTextNotices;
    } rows[] = {
        {0, false, "a1b2", "a1b2", 0},
        {3, false, "abcdef", "abc", 3},
        {0, true, "a1b2-3.", "123", 0},
        {2, true, "1x234", "12", 2},
    };
    for (const Row& r : rows) {
        EditFixture f(200, ui::EditStyle{r.digits, true});
        f.edit.setMaxLength(r.maxLength);
        f.h.click(f.edit, {5, 5});
        f.h.type(r.typed);
        EXPECT_EQ(f.edit.text(), r.text) << r.typed;
        EXPECT_EQ(f.count(ui::notify::EditMaxText), r.maxTextNotices) << r.typed;
    }
    // The program may set longer text; typing then replaces only within the limit.
    EditFixture f;
    f.edit.setMaxLength(3);
    f.edit.setText("abcdef");
    EXPECT_EQ(f.edit.text(), "abcdef");
    f.h.click(f.edit, {5, 5});
    f.edit.setSelection(0, 2);
    f.h.type("XYZ");
    EXPECT_EQ(f.edit.text(), "cdef"); // no room: the selection went, nothing came in
}

TEST(EditField, LongTextScrollsToKeepTheCaretInView) {
    EditFixture f(60);
    f.h.click(f.edit, {5, 5});
    f.h.type("the quick brown fox jumps over the lazy dog");
    EXPECT_GT(f.edit.scrollOffset(), 0);
    Rect caret = f.edit.caretRect();
    EXPECT_GE(caret.left, 0);
    EXPECT_LT(caret.right, 61);
    f.h.key(display::key::Home);
    EXPECT_EQ(f.edit.scrollOffset(), 0);
    f.h.key(display::key::End);
    EXPECT_LT(f.edit.caretRect().right, 61);
    // Short text never scrolls.
    f.edit.setText("ab");
    f.edit.setSelection(-1, -1);
    EXPECT_EQ(f.edit.scrollOffset(), 0);
}

TEST(EditField, CaretBlinksOnlyWithTheFocus) {
    EditFixture f;
    EXPECT_FALSE(f.edit.caretShown());
    f.h.click(f.edit, {5, 5});
    EXPECT_TRUE(f.edit.caretShown());
    f.h.advance(540ms);
    EXPECT_FALSE(f.edit.caretShown());
    f.h.advance(540ms);
    EXPECT_TRUE(f.edit.caretShown());
    f.h.type("a"); // typing shows it at once
    EXPECT_TRUE(f.edit.caretShown());
}

struct BarFixture {
    UiHarness h;
    Recorder top{"top"};
    ui::ScrollBar bar;
    BarFixture() {
        top.createTop(Rect::fromSize(0, 0, 200, 300));
        // 20 wide, 200 long: arrows of 20, a track of 160.
        bar.create(top, Rect::fromSize(10, 10, 20, 200), 101, ui::ScrollBar::Orientation::Vertical);
        bar.setScrollInfo({0, 99, 10, 0, -1});
        h.pump();
    }
    std::vector<std::pair<int, int>> scrolls() const {
        std::vector<std::pair<int, int>> out;
        for (const auto& r : top.log) {
            if (r.id == msg::VScroll) {
                out.emplace_back(ui::lowWord(r.wParam), ui::highWord(r.wParam));
            }
        }
        return out;
    }
    int count(int code) const {
        int n = 0;
        for (auto [c, p] : scrolls()) {
            n += c == code ? 1 : 0;
        }
        return n;
    }
};

TEST(ScrollBar, HoldingAnArrowRepeatsAfterADelayAndStopsAtRelease) {
    BarFixture f;
    f.h.press(f.bar, {10, 195});
    EXPECT_EQ(f.count(ui::scroll::LineDown), 1);
    struct Row {
        std::chrono::milliseconds advance;
        int total;
    } rows[] = {{490ms, 1}, {20ms, 2}, {100ms, 3}, {100ms, 4}};
    for (const Row& r : rows) {
        f.h.advance(r.advance, 1ms);
        EXPECT_EQ(f.count(ui::scroll::LineDown), r.total) << r.advance.count();
    }
    f.h.release(f.bar, {10, 195});
    f.h.advance(500ms);
    EXPECT_EQ(f.count(ui::scroll::LineDown), 4);
    EXPECT_EQ(f.count(ui::scroll::EndScroll), 1);
    // The bar never moves itself.
    EXPECT_EQ(f.bar.pos(), 0);
}

TEST(ScrollBar, DraggingTheThumbTracksAndEndsWithItsPosition) {
    BarFixture f;
    ui::ScrollBar::Geometry g = f.bar.geometry();
    ASSERT_EQ(g.trackLength, 160);
    ASSERT_EQ(g.thumbLength, 16); // page 10 of 100
    int y = g.thumbStart + 5;
    EXPECT_EQ(f.bar.partAt({10, y}), ui::ScrollBar::kThumb);
    f.h.press(f.bar, {10, y});
    f.h.move(f.bar, {10, y + 72}); // half of the 144 pixels the thumb can travel
    f.h.release(f.bar, {10, y + 72});
    auto s = f.scrolls();
    ASSERT_GE(s.size(), 2u);
    EXPECT_EQ(s[0], (std::pair<int, int>{ui::scroll::ThumbTrack, 45}));
    EXPECT_EQ(s[1], (std::pair<int, int>{ui::scroll::ThumbPosition, 45}));
    EXPECT_EQ(f.bar.scrollInfo().trackPos, -1);
}

TEST(ScrollBar, InfoIsKeptWithinItsRange) {
    struct Row {
        ui::ScrollInfo in;
        ui::ScrollInfo out;
    } rows[] = {
        {{0, 8, 5, 7, -1}, {0, 8, 5, 4, -1}},         // pos at most max - page + 1
        {{0, 8, 5, -3, -1}, {0, 8, 5, 0, -1}},        //
        {{0, 8, 20, 3, -1}, {0, 8, 9, 0, -1}},        // page at most the range
        {{10, 5, 0, 7, -1}, {10, 10, 0, 10, -1}},     // max below min
        {{0, 100, 0, 100, -1}, {0, 100, 0, 100, -1}}, // no page: pos reaches max
    };
    for (const Row& r : rows) {
        BarFixture f;
        f.bar.setScrollInfo(r.in);
        EXPECT_EQ(f.bar.scrollInfo(), r.out)
            << r.in.min << ".." << r.in.max << " page " << r.in.page << " pos " << r.in.pos;
    }
}

TEST(ProgressBar, FillsInProportionToItsPosition) {
    UiHarness h;
    Recorder top;
    top.createTop(Rect::fromSize(0, 0, 300, 100));
    ui::ProgressBar bar;
    bar.create(top, Rect::fromSize(0, 0, 202, 10), 1006);
    struct Row {
        int min, max, pos, width;
    } rows[] = {{0, 100, 0, 0},  {0, 100, 50, 100}, {0, 100, 100, 200}, {0, 100, 150, 200},
                {0, 100, -5, 0}, {10, 20, 15, 100}, {5, 5, 5, 0}};
    for (const Row& r : rows) {
        bar.setRange(r.min, r.max);
        bar.setPos(r.pos);
        EXPECT_EQ(bar.filledWidth(), r.width) << r.min << ".." << r.max << " at " << r.pos;
    }
}

// A button that relays its mouse messages to a tooltip, as skinned buttons do.
class TipButton : public ui::PushButton {
public:
    ui::Tooltip* tip = nullptr;
    bool preTranslateMessage(ui::Window& target, ui::MessageId id, ui::WParam w,
                             ui::LParam l) override {
        if (tip != nullptr && &target == this) {
            tip->relayEvent(*this, id, w, l);
        }
        return ui::PushButton::preTranslateMessage(target, id, w, l);
    }
};

TEST(Tooltip, ShowsAfterTheDelayBesideThePointerAndGoesOnAPress) {
    UiHarness h({800, 600});
    Recorder top;
    top.createTop(Rect::fromSize(100, 100, 300, 200));
    TipButton button;
    button.create(top, Rect::fromSize(20, 20, 80, 30), 5, "Tip");
    ui::Tooltip tip;
    ASSERT_TRUE(tip.create(top));
    button.tip = &tip;
    tip.addTool(button, {}, "Saves all six profiles");
    h.move(button, {10, 10});
    h.advance(490ms);
    EXPECT_EQ(tip.shownText(), "");
    h.advance(20ms);
    EXPECT_EQ(tip.shownText(), "Saves all six profiles");
    auto info = h.display().window(tip.nativeWindow());
    ASSERT_TRUE(info.has_value());
    EXPECT_TRUE(info->visible);
    EXPECT_TRUE(info->popup);
    EXPECT_EQ(info->rect.topLeft(), (Point{130, 150})); // the pointer at (130, 130), 20 below
    EXPECT_EQ(h.desktop().activeWindow(), &top);        // a tip never takes the focus
    h.press(button, {10, 10});
    EXPECT_EQ(tip.shownText(), "");
    EXPECT_FALSE(h.display().window(tip.nativeWindow())->visible);
    h.release(button, {10, 10});
    // An inactive tooltip stays hidden.
    tip.activate(false);
    h.move(button, {30, 10});
    h.advance(600ms);
    EXPECT_EQ(tip.shownText(), "");
}

} // namespace
} // namespace lumetta::test
