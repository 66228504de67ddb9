// Picture buttons on the headless display: which look each state shows, check mode, auto-repeat,
// hover by capture, looks cut at the button's rectangle, and mask regions.
#include "Recorder.h"
#include "UiHarness.h"

#include "skin/widgets/CBitmapBtn.h"
#include "skin/widgets/CreateSkinButton.h"
#include "skin/widgets/SkinMessages.h"
#include "skin/widgets/SkinPictures.h"

#include <gtest/gtest.h>

namespace lumetta::test {
namespace {

using gfx::Rect;
using Look = CBitmapBtn::Look;

constexpr gfx::Pixel kNormal = 0xFF101010, kOver = 0xFF20A020, kDown = 0xFF2020A0,
                     kDisabled = 0xFF808080;

gfx::Surface solid(gfx::Size size, gfx::Pixel pixel) {
    gfx::Surface s(size.width, size.height);
    s.fill(pixel);
    return s;
}

struct ButtonFixture {
    UiHarness h;
    Recorder parent{"parent"};
    CBitmapBtn button;
    ButtonFixture() {
        parent.createTop(Rect::fromSize(40, 40, 200, 100));
        button.Create(parent, Rect::fromSize(20, 20, 60, 30));
        button.imgNormal = solid({60, 30}, kNormal);
        button.imgOver = solid({60, 30}, kOver);
        button.imgDown = solid({60, 30}, kDown);
        button.imgDisabled = solid({60, 30}, kDisabled);
        h.pump();
        parent.log.clear();
    }
    gfx::Pixel shown() { return h.snapshot(button).pixel(30, 15); }
    int commands(ui::WParam wParam) const {
        int n = 0;
        for (const auto& m : parent.log) {
            n += m.id == ui::msg::Command && m.wParam == wParam;
        }
        return n;
    }
};

TEST(BitmapBtn, LookTables) {
    struct Row {
        bool checkMode, inverseHover, hover, checked, pressed, disabled;
        Look look;
    };
    const Row rows[] = {
        {false, false, false, false, false, false, Look::Normal},
        {false, false, true, false, false, false, Look::Over},
        {false, false, false, true, false, false, Look::Down},
        {false, false, false, false, true, false, Look::Down},
        {false, false, false, false, false, true, Look::Disabled},
        {false, false, true, false, false, true, Look::Over}, // hover wins over disabled
        {false, true, false, false, false, false, Look::Over},
        {false, true, true, false, false, false, Look::Normal},
        {false, true, false, false, false, true, Look::Disabled},
        {true, false, false, true, false, true, Look::Disabled},
        {true, false, false, true, false, false, Look::Down},
        {true, false, true, false, false, false, Look::Over},
        {true, false, false, false, true, false, Look::Down},
        {true, false, false, false, false, false, Look::Normal},
    };
    CBitmapBtn button;
    for (std::size_t i = 0; i < std::size(rows); ++i) {
        const Row& r = rows[i];
        button.checkMode = r.checkMode;
        button.inverseHover = r.inverseHover;
        button.hover = r.hover;
        button.checked = r.checked;
        ui::PushButton::DrawState state;
        state.pressed = r.pressed;
        state.disabled = r.disabled;
        EXPECT_EQ(button.ChooseLook(state).look, r.look) << "row " << i;
    }
}

TEST(BitmapBtn, HoverCapturesAndShowsTheOverLookUntilThePointerLeaves) {
    ButtonFixture f;
    EXPECT_EQ(f.shown(), kNormal);
    f.h.move(f.button, {10, 10});
    EXPECT_TRUE(f.button.hover);
    EXPECT_TRUE(f.button.hasCapture());
    EXPECT_EQ(f.shown(), kOver);
    f.h.move(f.parent, {150, 80});
    EXPECT_FALSE(f.button.hover);
    EXPECT_FALSE(f.button.hasCapture());
    EXPECT_EQ(f.shown(), kNormal);
    // Every move reached the parent in its own coordinates.
    bool forwarded = false;
    for (const auto& m : f.parent.log) {
        forwarded |= m.id == ui::msg::MouseMove && ui::unpackPoint(m.lParam) == gfx::Point{30, 30};
    }
    EXPECT_TRUE(forwarded);
}

TEST(BitmapBtn, CheckModeFlipsOnEachClickAndReportsTheToggle) {
    ButtonFixture f;
    f.button.checkMode = true;
    f.h.click(f.button, {10, 10});
    EXPECT_TRUE(f.button.checked);
    EXPECT_EQ(f.commands(SKIN_CMD_TOGGLED), 1);
    EXPECT_EQ(f.commands(ui::makeWParam(0, ui::notify::Clicked)), 0);
    f.h.move(f.parent, {150, 80});
    EXPECT_EQ(f.shown(), kDown);
    f.h.click(f.button, {10, 10});
    EXPECT_FALSE(f.button.checked);
    EXPECT_EQ(f.commands(SKIN_CMD_TOGGLED), 2);
}

TEST(BitmapBtn, AutoRepeatPostsWhileHeldAndStopsAtTheRelease) {
    ButtonFixture f;
    f.button.autoRepeat = true;
    f.h.press(f.button, {10, 10});
    f.h.advance(std::chrono::milliseconds(1000));
    const int held = f.commands(SKIN_CMD_REPEAT);
    EXPECT_GE(held, 9);
    EXPECT_LE(held, 10);
    f.h.release(f.button, {10, 10});
    f.h.advance(std::chrono::milliseconds(500));
    EXPECT_EQ(f.commands(SKIN_CMD_REPEAT), held);
    EXPECT_EQ(f.commands(ui::makeWParam(0, ui::notify::Clicked)), 1);
}

TEST(BitmapBtn, TheUpdatersButtonWaitsLongerForTheFirstRepeatAndKeepsQuietOnPress) {
    UiHarness h;
    Recorder parent{"parent"};
    parent.createTop(Rect::fromSize(40, 40, 200, 100));
    CUpdaterBitmapBtn button;
    button.Create(parent, Rect::fromSize(20, 20, 60, 30));
    button.autoRepeat = true;
    h.pump();
    parent.log.clear();
    h.press(button, {5, 5});
    h.advance(std::chrono::milliseconds(250));
    int repeats = 0, leftDowns = 0;
    for (const auto& m : parent.log) {
        repeats += m.id == ui::msg::Command && m.wParam == SKIN_CMD_REPEAT;
        leftDowns += m.id == WM_BUTTON_LEFT_DOWN;
    }
    EXPECT_EQ(repeats, 0);
    EXPECT_EQ(leftDowns, 0);
    h.advance(std::chrono::milliseconds(100));
    repeats = 0;
    for (const auto& m : parent.log) {
        repeats += m.id == ui::msg::Command && m.wParam == SKIN_CMD_REPEAT;
    }
    EXPECT_EQ(repeats, 1);
    h.release(button, {5, 5});
}

TEST(BitmapBtn, KeysNeverPressIt) {
    ButtonFixture f;
    f.button.setFocus();
    f.h.key(display::key::Space);
    f.h.key(display::key::Return);
    EXPECT_EQ(f.commands(ui::makeWParam(0, ui::notify::Clicked)), 0);
}

TEST(CreateSkinButton, CutsEachLookAtTheButtonsRectangle) {
    UiHarness h;
    Recorder parent{"parent"};
    parent.createTop(Rect::fromSize(0, 0, 400, 300));
    gfx::Surface over(400, 300);
    for (int y = 0; y < 300; ++y) {
        for (int x = 0; x < 400; ++x) {
            over.setPixel(x, y, gfx::makePixel(255, x & 0xFF, y & 0xFF, 7));
        }
    }
    XmlDoc layout;
    layout.SetText(u"<root><MAIN><BUTTON_A>BUTTON_A,100,50,60,30,,FALSE</BUTTON_A></MAIN></root>");
    SkinContext context;
    context.over = &over;
    context.layout = &layout;
    CBitmapBtn button;
    const SkinRect r =
        CreateSkinButton(button, u"MAIN", u"BUTTON_A", context, parent, false, 1, -1);
    EXPECT_EQ(button.rect(), (Rect{100, 50, 160, 80}));
    EXPECT_EQ(r.Width(), 60);
    ASSERT_EQ(button.imgOver.size(), (gfx::Size{60, 30}));
    EXPECT_EQ(button.imgOver.pixel(0, 0), over.pixel(100, 50));
    EXPECT_EQ(button.imgOver.pixel(59, 29), over.pixel(159, 79));
    EXPECT_TRUE(button.imgNormal.empty()) << "a missing picture leaves the look empty";

    CBitmapBtn* group[] = {&button, nullptr};
    EXPECT_EQ(SelectInGroup(&button, group), 0);
    EXPECT_TRUE(button.checked);
    EXPECT_EQ(SelectInGroup(&parent, group), -1);
}

TEST(RegionFromMask, NonWhitePixelsOnly) {
    EXPECT_FALSE(RegionFromMask(gfx::Surface{}).has_value());
    auto white = RegionFromMask(solid({8, 8}, 0xFFFFFFFF));
    ASSERT_TRUE(white);
    EXPECT_TRUE(white->empty());
    auto dot = RegionFromMask(solid({1, 1}, 0xFF000000));
    ASSERT_TRUE(dot);
    EXPECT_EQ(dot->bounds(), (Rect{0, 0, 1, 1}));
}

} // namespace
} // namespace lumetta::test
