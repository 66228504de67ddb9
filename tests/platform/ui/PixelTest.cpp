// What the controls and windows look like, against small reference pictures, and translucent
// windows composed by the display and by this layer alike.
#include "Recorder.h"
#include "UiHarness.h"

#include "platform/ui/Dialog.h"
#include "platform/ui/EditField.h"
#include "platform/ui/MessageBox.h"
#include "platform/ui/ProgressBar.h"
#include "platform/ui/PushButton.h"
#include "platform/ui/ScrollBar.h"
#include "platform/ui/StaticText.h"
#include "support/ReferenceImages.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

namespace lumetta::test {
namespace {

using gfx::Rect;

const ReferenceImages& references() {
    static ReferenceImages refs(std::filesystem::path(LUMETTA_SOURCE_DIR) /
                                "tests/platform/ui/references");
    return refs;
}

// Text is drawn by the system's font renderer: allow its smoothing to differ a little.
constexpr PixelTolerance kTextTolerance{8, 60};

// With LUMETTA_SCREENSHOTS=<folder>, the pictures a person would look at are written there.
void keepScreenshot(const gfx::Surface& picture, const char* name) {
    const char* folder = std::getenv("LUMETTA_SCREENSHOTS");
    if (folder != nullptr && *folder != '\0') {
        std::filesystem::create_directories(folder);
        picture.savePng(std::filesystem::path(folder) / (std::string(name) + ".png"));
    }
}

// A dialog with one of each control in a telling state.
struct SampleDialog {
    ui::Dialog dialog;
    ui::StaticText label, caption;
    ui::PushButton update, cancel, disabled;
    ui::EditField edit;
    ui::ProgressBar progress;
    ui::ScrollBar bar;

    explicit SampleDialog(UiHarness& h) {
        dialog.setTitle("Sample");
        dialog.create(ui::templates::EmptyPopup, nullptr);
        dialog.resize({360, 200});
        dialog.moveTo({20, 20});
        label.create(dialog, Rect::fromSize(16, 14, 300, 20), 1001, "Firmware V1.08 is ready.");
        caption.create(dialog, Rect::fromSize(16, 46, 90, 20), 1002, "Profile name:");
        edit.create(dialog, Rect::fromSize(110, 42, 180, 26), 1003);
        progress.create(dialog, Rect::fromSize(16, 86, 274, 14), 1006);
        update.create(dialog, Rect::fromSize(16, 150, 88, 28), 1, "Update");
        cancel.create(dialog, Rect::fromSize(112, 150, 88, 28), 2, "Cancel");
        disabled.create(dialog, Rect::fromSize(208, 150, 88, 28), 3, "Disabled");
        bar.create(dialog, Rect::fromSize(320, 14, 20, 164), 101,
                   ui::ScrollBar::Orientation::Vertical);
        disabled.enable(false);
        progress.setPos(60);
        bar.setScrollInfo({0, 8, 5, 2, -1});
        dialog.show();
        h.pump();
        h.click(edit, {5, 5});
        h.type("Profile 1");
        edit.setSelection(8, 9);
        h.press(cancel, {10, 10}); // held down for the picture
        edit.setFocus();           // while the field shows its selection
        h.pump();
    }
};

TEST(Pixels, SampleDialogShowsEachControl) {
    UiHarness h({400, 240});
    SampleDialog s(h);
    gfx::Surface shot = h.snapshot(s.dialog);
    EXPECT_TRUE(references().matches(shot, "sample_dialog", kTextTolerance));
    keepScreenshot(h.screen(), "sample_dialog");
    h.release(s.cancel, {10, 10});
}

TEST(Pixels, MessageBoxWithErrorIcon) {
    UiHarness h({480, 240});
    gfx::Surface shot;
    h.display().whenIdle([&] {
        ui::Window* box = h.desktop().findWindow("Lumetta");
        ASSERT_NE(box, nullptr);
        h.pump();
        shot = h.snapshot(*box);
        keepScreenshot(h.screen(), "message_box");
        h.display().keyPress(display::key::Return);
    });
    ui::messageBox(nullptr, "The firmware file could not be read.", "Lumetta",
                   ui::MessageBoxIcon::Error);
    EXPECT_TRUE(references().matches(shot, "message_box", kTextTolerance));
}

// A base window of two colours under a translucent overlay whose left half is the key colour.
gfx::Surface layeredScreen(display::DisplayCapabilities caps) {
    UiHarness h({100, 60}, caps);
    Recorder base("base", 0x0000FF);
    Recorder stripe("stripe", 0x00FF00);
    Recorder overlay("overlay", 0x00F0F0F0);
    Recorder overlayRight("overlayRight", 0xFF0000);
    base.createTop(Rect::fromSize(10, 10, 80, 40));
    stripe.createChild(base, Rect::fromSize(0, 20, 80, 20));
    overlay.createTop(Rect::fromSize(10, 10, 80, 40), "overlay", &base);
    overlayRight.createChild(overlay, Rect::fromSize(40, 0, 40, 40));
    overlay.setLayered(120, 0x00F0F0F0);
    h.pump();
    // The window below changes after the overlay was composed: it must show through.
    stripe.color = 0x00FFFF;
    stripe.invalidate();
    h.pump();
    return h.screen();
}

TEST(Pixels, TranslucentKeyedWindowLooksTheSameWhoeverComposesIt) {
    gfx::Surface byDisplay = layeredScreen({});
    gfx::Surface byLayer = layeredScreen({false, false, true, true});
    PixelDiff diff = comparePixels(byLayer, byDisplay, 2);
    EXPECT_EQ(diff.differing, 0) << diff.describe();
    struct Row {
        gfx::Point p;
        gfx::SysColor expected;
    } rows[] = {
        {{20, 20}, 0x0000FF}, // key colour: the base shows unchanged
        {{20, 40}, 0x00FFFF}, // ... also where it changed later
        {{5, 5}, gfx::sysColorFromPixel(display::HeadlessDisplay::kDesktopPixel)},
    };
    for (const Row& r : rows) {
        EXPECT_EQ(byLayer.colorAt(r.p.x, r.p.y), r.expected) << r.p.x << "," << r.p.y;
    }
    // Blue at 120 of 255 over red: both channels mixed.
    gfx::SysColor mixed = byLayer.colorAt(70, 20);
    EXPECT_NEAR(gfx::sysRed(mixed), 255 - 120, 2);
    EXPECT_NEAR(gfx::sysBlue(mixed), 120, 2);
    EXPECT_TRUE(references().matches(byDisplay, "layered_overlay"));
}

} // namespace
} // namespace lumetta::test
