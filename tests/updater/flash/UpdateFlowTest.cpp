// The update end to end against the simulated keyboard program through a temporary root (real
// pseudo-terminals, inotify and threads): the flow as the updater's dialog drives it, with a
// package made by fwpack.

#include "updater/flash/UpdateFlow.h"
#include "SimulatedKeyboard.h"
#include "TestPackage.h"
#include "device/channel/HidlinkApi.h"
#include "platform/core/EventLoop.h"
#include "platform/core/Window.h"
#include "updater/flash/UpdaterMessages.h"
#include "updater/package/ImageChecksum.h"

#include <gtest/gtest.h>

#include <thread>

namespace lumetta::flash::test {
namespace {

using std::chrono::milliseconds;

// The dialog's part, without windows: passes messages to the flow and keeps what it was shown.
class DialogStandIn : public core::Window, public UpdaterView {
public:
    ~DialogStandIn() override {
        flow.reset();
        destroy();
    }

    void setControls(bool busy, bool ready) override { controls.push_back({busy, ready}); }
    void setProgress(int position) override {
        progress.push_back(position);
        if (onProgress) {
            onProgress(position);
        }
    }
    void setKeyboardVersionText(const std::u16string& text) override { versionText = text; }
    void setImageName(const std::u16string& name) override { imageName = name; }
    void showRefused() override { ++refused; }
    void show(const UserMessage& message) override { messages.push_back(message); }

    bool ended() const { return exitCode || resultTimer || refused > 0 || !messages.empty(); }

    std::unique_ptr<UpdateFlow> flow;
    std::function<void(int)> onProgress;
    std::vector<std::pair<bool, bool>> controls;
    std::vector<int> progress;
    std::u16string versionText;
    std::u16string imageName;
    int refused = 0;
    std::vector<UserMessage> messages;
    std::optional<int> exitCode;
    std::optional<core::TimerId> resultTimer;

protected:
    core::LResult handleMessage(core::MessageId id, core::WParam wParam,
                                core::LParam lParam) override {
        if (flow && flow->handleMessage(id, wParam, lParam)) {
            return 0;
        }
        if (id == WM_UPDATER_EXIT) {
            exitCode = static_cast<int>(wParam);
        } else if (id == core::msg::Timer &&
                   (wParam == TIMER_UPDATE_SUCCEEDED || wParam == TIMER_UPDATE_FAILED)) {
            killTimer(wParam);
            resultTimer = wParam;
        }
        return 0;
    }
};

// Retries and settling without the long pauses: a run of retries takes a moment, not minutes.
FlashTiming quickTiming() {
    FlashTiming timing;
    timing.sleep = [](milliseconds span) { std::this_thread::sleep_for(span / 50); };
    timing.settle = milliseconds(100);
    timing.bootloaderPatience = milliseconds(1500);
    return timing;
}

enum class Outcome { Exit0, Exit1, Exit4, SucceededWindow, FailedWindow, RefusedWindow, None };

std::ostream& operator<<(std::ostream& out, Outcome outcome) {
    const char* names[] = {"exit 0",         "exit 1",         "exit 4", "success window",
                           "failure window", "refused window", "nothing"};
    return out << names[static_cast<int>(outcome)];
}

Outcome outcomeOf(const DialogStandIn& dialog) {
    if (dialog.exitCode) {
        switch (*dialog.exitCode) {
        case 0:
            return Outcome::Exit0;
        case 1:
            return Outcome::Exit1;
        case 4:
            return Outcome::Exit4;
        default:
            return Outcome::None;
        }
    }
    if (dialog.resultTimer) {
        return *dialog.resultTimer == TIMER_UPDATE_SUCCEEDED ? Outcome::SucceededWindow
                                                             : Outcome::FailedWindow;
    }
    return dialog.refused > 0 ? Outcome::RefusedWindow : Outcome::None;
}

// One run of the updater as started by the configurator ("true"), or silently.
struct Updater {
    Updater(const SimulatedKeyboard& keyboard, const FirmwarePackage& package, bool silent,
            int forcedImage = NO_FORCED_IMAGE) {
        keyboard.exportRoots();
        dialog.flow = std::make_unique<UpdateFlow>(linkedHidlinkApi(), package, dialog,
                                                   dialog.handle(), quickTiming());
        dialog.flow->setDebugOutput([](std::string_view) {});
        UpdaterState& state = dialog.flow->state();
        state.Silent = silent;
        state.AutoStart = true;
        state.ForcedImage = forcedImage;
        found = dialog.flow->open();
    }

    Outcome run(std::chrono::seconds limit = std::chrono::seconds(60)) {
        const auto giveUp = std::chrono::steady_clock::now() + limit;
        while (found && !dialog.ended() && std::chrono::steady_clock::now() < giveUp) {
            if (!core::EventLoop::pumpOne()) {
                std::this_thread::sleep_for(milliseconds(1));
            }
        }
        return outcomeOf(dialog);
    }

    DialogStandIn dialog;
    bool found = false;
};

class UpdateFlowTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        std::string error;
        PackageOptions small;
        small.imageSize = 4096;
        if (!makeTestPackage({}, demo_, error) || !makeTestPackage(small, small_, error)) {
            packageError_ = error;
        }
    }
    void SetUp() override { ASSERT_TRUE(packageError_.empty()) << packageError_; }

    // The keyboard holds the slot's image and reports the package's version.
    static void expectFlashedWith(const SimulatedKeyboard& keyboard, const FirmwarePackage& package,
                                  int slot) {
        ASSERT_TRUE(keyboard.waitForMode("firmware"));
        auto state = keyboard.values("state");
        EXPECT_EQ(state["version"], "1.2.6");
        EXPECT_EQ(state["version-text"], "V1.2 build 6");
        const auto& image = package.firmware[static_cast<std::size_t>(slot)];
        EXPECT_EQ(keyboard.checksum(0x1000, static_cast<std::uint32_t>(image.size())),
                  imageChecksum(image));
    }

    static inline FirmwarePackage demo_;
    static inline FirmwarePackage small_;
    static inline std::string packageError_;
};

TEST_F(UpdateFlowTest, AnUpdateThatIsDueFlashesTheDemonstrationImage) {
    SimulatedKeyboard keyboard;
    ASSERT_TRUE(keyboard.running());
    const auto before = keyboard.checksum(0x1000, DEMO_IMAGE_SIZE);
    ASSERT_NE(before, imageChecksum(demo_.firmware[0]))
        << "the image must differ from the factory's";

    Updater updater(keyboard, demo_, false);
    ASSERT_TRUE(updater.found);
    EXPECT_EQ(updater.run(), Outcome::SucceededWindow);

    const DialogStandIn& dialog = updater.dialog;
    EXPECT_EQ(dialog.imageName, u"US");
    ASSERT_FALSE(dialog.progress.empty());
    EXPECT_EQ(dialog.progress.back(), 100);
    const auto flashStart = std::find(dialog.progress.rbegin(), dialog.progress.rend(), 0);
    EXPECT_TRUE(std::is_sorted(flashStart.base() - 1, dialog.progress.end()))
        << "progress only moves forward while flashing";
    EXPECT_GT(dialog.progress.size(), 50u);
    ASSERT_FALSE(dialog.controls.empty());
    EXPECT_EQ(dialog.controls.back(), (std::pair<bool, bool>{false, false}))
        << "close enabled, update buttons off after a restart into the firmware";
    EXPECT_TRUE(std::find(dialog.controls.begin(), dialog.controls.end(),
                          std::pair<bool, bool>{true, false}) != dialog.controls.end());
    ASSERT_TRUE(updater.dialog.flow->lastFlash());
    EXPECT_TRUE(updater.dialog.flow->lastFlash()->succeeded);
    expectFlashedWith(keyboard, demo_, 0);
}

struct FaultCase {
    const char* name;
    const char* fault;
    int atProgress; // -1: before the updater starts
    bool silent;
    Outcome first;
    const char* modeAfter;
    const char* versionAfter;
    Outcome second; // a silent run after the faults were cleared
};

TEST_F(UpdateFlowTest, FaultsEndAsTheyShouldAndASecondRunRecovers) {
    const FaultCase cases[] = {
        {"dropped answers while writing", "drop-answers 2", 30, true, Outcome::Exit0, "firmware",
         "1.2.6", Outcome::Exit4},
        {"wrong pointer once", "wrong-pointer-once", 30, false, Outcome::SucceededWindow,
         "firmware", "1.2.6", Outcome::Exit4},
        {"bad checksum once", "bad-checksum-once", -1, true, Outcome::Exit0, "firmware", "1.2.6",
         Outcome::Exit4},
        {"unplugged while writing", "unplug-after 20", 30, true, Outcome::Exit1, "bootloader",
         nullptr, Outcome::Exit0},
        {"unplugged while writing, window", "unplug-after 20", 30, false, Outcome::FailedWindow,
         "bootloader", nullptr, Outcome::Exit0},
        {"bootloader refused", "refuse-bootloader on", -1, true, Outcome::Exit1, "firmware",
         "1.2.5", Outcome::Exit0},
        {"bootloader refused, window", "refuse-bootloader on", -1, false, Outcome::RefusedWindow,
         "firmware", "1.2.5", Outcome::Exit0},
    };
    for (const FaultCase& c : cases) {
        SCOPED_TRACE(c.name);
        SimulatedKeyboard keyboard;
        ASSERT_TRUE(keyboard.running());
        if (c.atProgress < 0) {
            ASSERT_TRUE(keyboard.control(c.fault).empty());
        }
        {
            Updater updater(keyboard, small_, c.silent);
            bool injected = c.atProgress < 0;
            updater.dialog.onProgress = [&](int position) {
                if (!injected && position >= c.atProgress) {
                    injected = true;
                    EXPECT_TRUE(keyboard.control(c.fault).empty());
                }
            };
            ASSERT_TRUE(updater.found);
            EXPECT_EQ(updater.run(), c.first);
            EXPECT_TRUE(injected);
        }
        ASSERT_TRUE(keyboard.control("clear-faults").empty());
        ASSERT_TRUE(keyboard.control("plug").empty());
        ASSERT_TRUE(keyboard.waitForMode(c.modeAfter));
        if (c.versionAfter) {
            EXPECT_EQ(keyboard.values("state")["version"], c.versionAfter);
        } else {
            EXPECT_EQ(keyboard.values("state")["version-valid"], "0");
        }

        Updater again(keyboard, small_, true);
        ASSERT_TRUE(again.found);
        EXPECT_EQ(again.run(), c.second);
        expectFlashedWith(keyboard, small_, 0);
    }
}

struct InfoCase {
    const char* name;
    const FirmwarePackage* package;
    int forcedImage;
    int selected;
    std::u16string shownName;
};

TEST_F(UpdateFlowTest, GetInfoReadsTheKeyboardAndChoosesTheImage) {
    FirmwarePackage otherModel = small_;
    otherModel.header.ModelId.fill(0);
    std::string model = "OTHER-MODEL-0002";
    std::copy(model.begin(), model.end(), otherModel.header.ModelId.begin());
    const InfoCase cases[] = {
        {"layout of the keyboard", &small_, NO_FORCED_IMAGE, 0, u"US"},
        {"forced second image", &small_, 2, 1, u"EU"},
        {"forced empty slot", &small_, 5, SELECT_LAYOUT_ERROR, u"US"},
        {"another model", &otherModel, NO_FORCED_IMAGE, SELECT_HARDWARE_MISMATCH, u"US"},
    };
    SimulatedKeyboard keyboard;
    ASSERT_TRUE(keyboard.running());
    keyboard.exportRoots();
    for (const InfoCase& c : cases) {
        SCOPED_TRACE(c.name);
        CUSBDriver channel(linkedHidlinkApi());
        channel.setDebugOutput({});
        channel.SetActive();
        ASSERT_TRUE(channel.Open(0x04D9, 0x0203));
        UpdaterState state;
        state.ForcedImage = c.forcedImage;
        const auto display =
            GetInfo(channel, c.package->header, state, [](milliseconds) { FAIL(); });
        ASSERT_TRUE(display);
        EXPECT_EQ(state.SelectedImage, c.selected);
        EXPECT_EQ(display->imageName, c.shownName);
        EXPECT_EQ(display->versionText, u"V1.2 build 5");
        const KeyboardVersion version = applicationVersion(state.AppInfo);
        EXPECT_EQ(version.major, 1);
        EXPECT_EQ(version.minor, 2);
        EXPECT_EQ(version.build, 5u);
        EXPECT_EQ(std::string(state.FirmwareInfo.begin() + 4, state.FirmwareInfo.begin() + 20),
                  "LUMETTA-SIM-0001");
    }
}

TEST_F(UpdateFlowTest, AKeyboardOfAnotherModelIsNeverSentAnything) {
    FirmwarePackage otherModel = small_;
    const std::string model = "OTHER-MODEL-0002";
    std::copy(model.begin(), model.end(), otherModel.header.ModelId.begin());
    SimulatedKeyboard keyboard;
    ASSERT_TRUE(keyboard.running());
    {
        Updater updater(keyboard, otherModel, false);
        ASSERT_TRUE(updater.found);
        EXPECT_EQ(updater.run(), Outcome::None);
        ASSERT_EQ(updater.dialog.messages.size(), 1u);
        EXPECT_EQ(updater.dialog.messages[0],
                  (UserMessage{"HW Setup Error!", "Error", MessageIcon::Error}));
        EXPECT_FALSE(updater.dialog.flow->waitingForBootloader());
    }
    auto state = keyboard.values("state");
    EXPECT_EQ(state["mode"], "firmware");
    EXPECT_EQ(state["version"], "1.2.5");
    const std::vector<std::string> commands = keyboard.sentCommands();
    EXPECT_FALSE(commands.empty());
    for (const std::string& command : commands) {
        EXPECT_TRUE(command == "12" || command == "10") << "sent command " << command;
    }
}

} // namespace
} // namespace lumetta::flash::test
