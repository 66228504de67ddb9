// Dialogs: modal runs with end codes, nested loops, destruction inside a loop, dialog keys,
// the numbered templates and the message box.
#include "Recorder.h"
#include "UiHarness.h"

#include "platform/ui/Dialog.h"
#include "platform/ui/EditField.h"
#include "platform/ui/MessageBox.h"
#include "platform/ui/ProgressBar.h"
#include "platform/ui/PushButton.h"
#include "platform/ui/StaticText.h"

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace lumetta::test {
namespace {

using gfx::Rect;
namespace msg = ui::msg;

constexpr ui::MessageId kRunInside = 0x0401;

// A dialog that runs whatever it is posted, from inside its own loop.
class ScriptedDialog : public ui::Dialog {
public:
    std::function<void()> inside;

protected:
    ui::LResult windowProc(ui::MessageId id, ui::WParam w, ui::LParam l) override {
        if (id == kRunInside && inside) {
            inside();
            return 0;
        }
        return ui::Dialog::windowProc(id, w, l);
    }
};

TEST(Dialog, ModalRunDisablesTheOwnerAndReturnsTheEndCode) {
    UiHarness h;
    Recorder owner;
    owner.createTop(Rect::fromSize(0, 0, 400, 300));
    ui::Dialog dialog;
    bool ownerDisabled = false;
    bool dialogActive = false;
    h.display().whenIdle([&] {
        ownerDisabled = !owner.isEnabled();
        dialogActive = h.desktop().activeWindow() == &dialog;
        dialog.endDialog(7);
    });
    EXPECT_EQ(dialog.runModal(&owner), 7);
    EXPECT_TRUE(ownerDisabled);
    EXPECT_TRUE(dialogActive);
    EXPECT_TRUE(owner.isEnabled());
    EXPECT_FALSE(dialog.exists());
    EXPECT_EQ(h.desktop().activeWindow(), &owner);
    EXPECT_EQ(h.display().pendingSteps(), 0u);
}

TEST(Dialog, NestedModalLoopsUnwindInnerFirst) {
    struct Row {
        const char* name;
        bool endOuterWhileInnerRuns;
    } rows[] = {{"inner ends first", false}, {"outer ended while inner runs", true}};
    for (const Row& r : rows) {
        UiHarness h;
        Recorder owner;
        owner.createTop(Rect::fromSize(0, 0, 400, 300));
        ScriptedDialog outer;
        ui::Dialog inner;
        std::vector<std::string> order;
        bool outerDisabledDuringInner = false;
        outer.inside = [&] {
            order.push_back("inner=" + std::to_string(inner.runModal(&outer)));
            order.push_back(std::string("outer enabled=") + (outer.isEnabled() ? "1" : "0"));
        };
        h.display().whenIdle([&] { outer.post(kRunInside); });
        h.display().whenIdle([&] {
            outerDisabledDuringInner = !outer.isEnabled() && !owner.isEnabled();
            if (r.endOuterWhileInnerRuns) {
                outer.endDialog(11);
            }
        });
        h.display().whenIdle([&] { inner.endDialog(22); });
        h.display().whenIdle([&] { outer.endDialog(11); });
        order.push_back("outer=" + std::to_string(outer.runModal(&owner)));
        EXPECT_EQ(order, (std::vector<std::string>{"inner=22", "outer enabled=1", "outer=11"}))
            << r.name;
        EXPECT_TRUE(outerDisabledDuringInner) << r.name;
        EXPECT_TRUE(owner.isEnabled()) << r.name;
    }
}

TEST(Dialog, DestroyedWhileItsLoopRunsEndsTheLoopAndFreesTheOwner) {
    struct Row {
        const char* name;
        bool deleteObject;
    } rows[] = {{"window destroyed", false}, {"object deleted", true}};
    for (const Row& r : rows) {
        UiHarness h;
        Recorder owner;
        owner.createTop(Rect::fromSize(0, 0, 400, 300));
        auto dialog = std::make_unique<ui::Dialog>();
        h.display().whenIdle([&] {
            if (r.deleteObject) {
                dialog.reset();
            } else {
                dialog->destroyWindow();
            }
        });
        ui::Dialog* raw = dialog.get();
        EXPECT_EQ(raw->runModal(&owner), -1) << r.name;
        EXPECT_TRUE(owner.isEnabled()) << r.name;
        EXPECT_EQ(h.desktop().topLevelWindows().size(), 1u) << r.name;
    }
}

TEST(Dialog, EnterAndEscapeEndATopLevelDialog) {
    struct Row {
        int key;
        int expected;
    } rows[] = {{display::key::Return, ui::IdOk}, {display::key::Escape, ui::IdCancel}};
    for (const Row& r : rows) {
        UiHarness h;
        ui::Dialog dialog(ui::templates::UpdaterResult);
        h.display().whenIdle([&] { h.display().keyPress(r.key); });
        EXPECT_EQ(dialog.runModal(), r.expected) << r.key;
    }
}

TEST(Dialog, TemplatesCarryTheirNumberedControls) {
    using K = ui::ControlKind;
    struct Row {
        int templateId;
        bool child;
        std::vector<std::pair<int, K>> items;
    } rows[] = {
        {ui::templates::EmptyChild, true, {}},
        {ui::templates::EmptyPopup, false, {}},
        {ui::templates::Updater,
         false,
         {{1000, K::PushButton},
          {1001, K::Static},
          {1002, K::Static},
          {1003, K::Static},
          {1004, K::Static},
          {1005, K::Static},
          {1006, K::ProgressBar},
          {1016, K::Static}}},
        {ui::templates::UpdaterResult, false, {{1017, K::Static}, {ui::IdOk, K::PushButton}}},
    };
    for (const Row& r : rows) {
        UiHarness h;
        Recorder parent;
        parent.createTop(Rect::fromSize(0, 0, 800, 600));
        ui::Dialog dialog;
        ASSERT_TRUE(dialog.create(r.templateId, &parent)) << r.templateId;
        EXPECT_EQ(dialog.isTopLevel(), !r.child) << r.templateId;
        EXPECT_EQ(dialog.parent() == &parent, r.child) << r.templateId;
        for (auto [id, kind] : r.items) {
            ui::Window* item = dialog.item(id);
            ASSERT_NE(item, nullptr) << r.templateId << " item " << id;
            bool kindOk = kind == K::PushButton    ? dynamic_cast<ui::PushButton*>(item) != nullptr
                          : kind == K::Static      ? dynamic_cast<ui::StaticText*>(item) != nullptr
                          : kind == K::ProgressBar ? dynamic_cast<ui::ProgressBar*>(item) != nullptr
                                                   : false;
            EXPECT_TRUE(kindOk) << r.templateId << " item " << id;
        }
    }
    EXPECT_EQ(ui::dialogUnitsToPixels(gfx::Size{317, 184}), (gfx::Size{475, 299}));
    EXPECT_EQ(ui::findDialogTemplate(9999), nullptr);
}

TEST(Dialog, TextHoldersKeepWhatTheProgramPutsInThem) {
    UiHarness h;
    ui::Dialog dialog(ui::templates::Updater);
    ASSERT_TRUE(dialog.create(nullptr));
    dialog.setItemText(ui::updaterItem::VersionText, "V1.08");
    dialog.item(ui::updaterItem::VersionText)->hide();
    EXPECT_EQ(dialog.itemText(ui::updaterItem::VersionText), "V1.08");
    dialog.itemAs<ui::ProgressBar>(ui::updaterItem::Progress)->setPos(40);
    EXPECT_EQ(dialog.itemAs<ui::ProgressBar>(ui::updaterItem::Progress)->pos(), 40);
}

TEST(Dialog, MessageBoxIsFoundByItsCaptionAndAnsweredByItsButton) {
    UiHarness h;
    Recorder owner;
    owner.createTop(Rect::fromSize(0, 0, 600, 400));
    std::string text;
    bool error = false;
    h.display().whenIdle([&] {
        auto* box = dynamic_cast<ui::MessageBox*>(h.desktop().findWindow("Problem"));
        ASSERT_NE(box, nullptr);
        text = box->text();
        error = box->icon() == ui::MessageBoxIcon::Error;
        ui::Window* ok = box->item(ui::IdOk);
        ASSERT_NE(ok, nullptr);
        gfx::Point at = ok->offsetInTopLevel();
        h.display().click(box->nativeWindow(), {at.x + 5, at.y + 5});
    });
    EXPECT_EQ(ui::messageBox(&owner, "error", "Problem", ui::MessageBoxIcon::Error), ui::IdOk);
    EXPECT_EQ(text, "error");
    EXPECT_TRUE(error);
    EXPECT_EQ(h.desktop().findWindow("Problem"), nullptr);
    // Escape answers it too.
    h.display().whenIdle([&] { h.display().keyPress(display::key::Escape); });
    EXPECT_EQ(ui::messageBox(nullptr, "second", "Again"), ui::IdOk);
}

} // namespace
} // namespace lumetta::test
