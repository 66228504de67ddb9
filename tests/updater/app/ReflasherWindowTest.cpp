// The updater's window on the headless display with the simulated keyboard: the three texts,
// an update by the update button with a moving progress bar, the success window and the restart
// of the caller; the result windows of every kind. Writes the screenshots of the manual.
#include "SimulatedKeyboard.h"
#include "UiHarness.h"

#include "updater/app/CReflasherDlg.h"
#include "updater/app/CWarning.h"

#include <gtest/gtest.h>

#include <thread>

namespace lumetta::test {
namespace {

using namespace std::chrono_literals;

const std::filesystem::path kShots =
    std::filesystem::path(LUMETTA_SOURCE_DIR) / "docs/screenshots/updater";

// Lets real time pass for the keyboard's threads while the manual clock follows.
template <class Done> bool pumpUntil(UiHarness& h, Done done, std::chrono::seconds limit = 60s) {
    const auto giveUp = std::chrono::steady_clock::now() + limit;
    while (!done() && std::chrono::steady_clock::now() < giveUp) {
        h.advance(20ms);
        std::this_thread::sleep_for(5ms);
    }
    return done();
}

// Counts the pixels that differ between two pictures of one size.
int differing(const gfx::Surface& a, const gfx::Surface& b) {
    int n = 0;
    for (int y = 0; y < a.height(); ++y) {
        for (int x = 0; x < a.width(); ++x) {
            n += a.pixel(x, y) != b.pixel(x, y);
        }
    }
    return n;
}

TEST(ReflasherWindow, ShowsTheTextsFlashesWithProgressAndStartsTheCaller) {
    flash::test::SimulatedKeyboard keyboard("us");
    ASSERT_TRUE(keyboard.running());
    keyboard.exportRoots();
    UiHarness h({1024, 768});
    UpdaterOptions options;
    options.CallerPath = "../Lumetta";
    CReflasherDlg dialog(options, REFLASHER_PROGRAM);
    std::vector<std::pair<std::filesystem::path, std::vector<std::string>>> started;
    dialog.setLauncher([&](const std::filesystem::path& p, const std::vector<std::string>& a) {
        started.push_back({p, a});
    });
    ASSERT_TRUE(dialog.create(nullptr));
    dialog.ui::Window::show();
    h.pump();
    ASSERT_TRUE(dialog.packageLoaded());
    const gfx::Surface empty = h.snapshot(dialog);
    ASSERT_TRUE(pumpUntil(h, [&] { return dialog.updateButton()->isEnabled(); }));
    h.pump();
    const gfx::Surface ready = h.snapshot(dialog);
    EXPECT_EQ(dialog.itemText(ui::updaterItem::ImageName), "US");
    EXPECT_EQ(dialog.itemText(ui::updaterItem::DeviceVersion), "V1.2 build 5");
    EXPECT_GT(differing(empty, ready), 50) << "the layout and the keyboard's version are not drawn";
    ready.savePng(kShots / "window-confirm.png");

    std::vector<int> progress;
    int kind = 0;
    dialog.onResultWindow = [&](CWarning& warning) {
        kind = warning.kind();
        auto* d = &h.display();
        d->whenIdle([&, d] {
            d->saveWindowPng(warning.nativeWindow(), kShots / "window-success.png");
            warning.okButton()->click();
        });
    };
    h.click(*dialog.updateButton(), {10, 10});
    pumpUntil(h, [&] {
        if (progress.empty() || progress.back() != dialog.progress()) {
            progress.push_back(dialog.progress());
            if (dialog.progress() == 40) {
                h.snapshot(dialog).savePng(kShots / "window-progress.png");
            }
        }
        return !dialog.exists();
    });
    EXPECT_FALSE(dialog.exists());
    EXPECT_EQ(kind, CWarning::KindSuccess);
    EXPECT_GT(progress.size(), 10u) << "the bar did not move";
    ASSERT_EQ(started.size(), 1u);
    EXPECT_EQ(started[0].first,
              std::filesystem::path(REFLASHER_PROGRAM).parent_path() / "../Lumetta");
    EXPECT_EQ(started[0].second, std::vector<std::string>{"true"});
    EXPECT_EQ(keyboard.values("state")["version"], "1.2.6");
}

TEST(ReflasherWindow, ResultWindowsTakeTheirKindsPicture) {
    UiHarness h({1024, 768});
    std::vector<gfx::Surface> pictures;
    const char* names[] = {"window-success.png", "window-failure.png", "window-refused.png"};
    for (int kind = 1; kind <= 3; ++kind) {
        CWarning warning(kind);
        ASSERT_TRUE(warning.create(nullptr));
        warning.show();
        h.pump();
        EXPECT_TRUE(warning.region().has_value()) << kind;
        ASSERT_NE(warning.okButton(), nullptr);
        EXPECT_TRUE(warning.okButton()->isVisible());
        pictures.push_back(h.snapshot(warning));
        if (kind > 1) {
            pictures.back().savePng(kShots / names[kind - 1]);
        }
        warning.destroyWindow();
    }
    EXPECT_GT(differing(pictures[0], pictures[1]), 100);
    EXPECT_GT(differing(pictures[1], pictures[2]), 100);
}

} // namespace
} // namespace lumetta::test
