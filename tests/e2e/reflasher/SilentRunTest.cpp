// Silent runs of the staged Reflasher (with the demonstration package at the end of its file)
// against the simulated keyboard program: exit codes, what ends up in the keyboard's flash, and
// that a second run recovers the keyboard after every failure.

#include "SimulatedKeyboard.h"
#include "e2e/display/ChildProcess.h"
#include "updater/package/FirmwarePackage.h"
#include "updater/package/ImageChecksum.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <thread>
#include <vector>

namespace lumetta::test {
namespace {

using flash::test::ScratchFolder;
using flash::test::SimulatedKeyboard;

constexpr std::uint32_t kFirmwareStart = 0x1000;
constexpr std::uint32_t kImageSize = 40 * 1024;

struct UpdaterRun {
    int exitCode = -1;
    bool timedOut = false;
    std::string output;
};

// One silent run of the updater with its own runtime folder (for its instance lock).
UpdaterRun runReflasher(const std::vector<std::string>& arguments,
                        const std::filesystem::path& hidRoot,
                        const std::filesystem::path& runtime) {
    std::vector<std::string> argv = {REFLASHER_PROGRAM};
    argv.insert(argv.end(), arguments.begin(), arguments.end());
    const ProgramResult result =
        runProgram(argv,
                   {"HIDLINK_SYSFS_ROOT=" + (hidRoot / "sys").string(),
                    "HIDLINK_DEV_ROOT=" + (hidRoot / "dev").string(),
                    "XDG_RUNTIME_DIR=" + runtime.string(), "LUMETTA_DISPLAY=headless"},
                   std::chrono::seconds(120));
    return {result.exitCode, result.timedOut, result.output};
}

// The firmware checksum of every slot of the package the build appended.
std::vector<std::uint32_t> packagedChecksums() {
    const PackageReadResult read = readFirmwarePackage(std::filesystem::path(REFLASHER_PROGRAM));
    std::vector<std::uint32_t> sums;
    if (read.status != PackageStatus::Ok) {
        return sums;
    }
    for (const auto& block : read.package.firmware) {
        sums.push_back(block.empty() ? 0 : imageChecksum(block));
    }
    return sums;
}

struct SilentCase {
    const char* name;
    std::vector<std::string> faults; // control commands before the run
    std::vector<std::string> arguments;
    int expectedExit;
    // The slot whose image the keyboard holds afterwards (US unless forced), when it was written.
    std::optional<int> writtenSlot;
    // After a failure: the faults end, the keyboard comes back, and a second run must update it.
    bool recoverAfterwards = false;
};

std::ostream& operator<<(std::ostream& out, const SilentCase& c) {
    return out << c.name;
}

class SilentRun : public ::testing::TestWithParam<SilentCase> {};

TEST_P(SilentRun, EndsWithTheExitCodeAndLeavesTheKeyboardUpdatable) {
    const SilentCase& c = GetParam();
    const auto sums = packagedChecksums();
    ASSERT_EQ(sums.size(), 9u) << "the staged Reflasher carries no package";
    SimulatedKeyboard keyboard("us");
    ASSERT_TRUE(keyboard.running());
    ScratchFolder runtime("lumetta-reflasher-run");
    for (const std::string& fault : c.faults) {
        ASSERT_TRUE(keyboard.control(fault).empty()) << fault;
    }

    const UpdaterRun run = runReflasher(c.arguments, keyboard.root(), runtime.path());
    ASSERT_FALSE(run.timedOut) << c.name;
    EXPECT_EQ(run.exitCode, c.expectedExit) << c.name;
    if (c.writtenSlot) {
        ASSERT_TRUE(keyboard.waitForMode("firmware")) << c.name;
        auto state = keyboard.values("state");
        EXPECT_EQ(state["version"], "1.2.6") << c.name;
        EXPECT_EQ(keyboard.checksum(kFirmwareStart, kImageSize), sums[*c.writtenSlot]) << c.name;
    }
    if (!c.recoverAfterwards) {
        return;
    }
    keyboard.control("clear-faults");
    keyboard.control("plug");
    const UpdaterRun again = runReflasher({"-silent"}, keyboard.root(), runtime.path());
    EXPECT_EQ(again.exitCode, 0) << c.name << ": the second run did not recover the keyboard";
    ASSERT_TRUE(keyboard.waitForMode("firmware")) << c.name;
    EXPECT_EQ(keyboard.values("state")["version"], "1.2.6") << c.name;
    EXPECT_EQ(keyboard.checksum(kFirmwareStart, kImageSize), sums[0]) << c.name;
}

const SilentCase kCases[] = {
    {"update_due", {}, {"-silent"}, 0, 0},
    {"forced_layout_two_on_a_us_keyboard", {}, {"-silent", "bin:2"}, 0, 1},
    {"dropped_answers", {"drop-answers 3"}, {"-silent"}, 0, 0},
    {"wrong_pointer_once", {"wrong-pointer-once"}, {"-silent"}, 0, 0},
    {"bad_checksum_once", {"bad-checksum-once"}, {"-silent"}, 0, 0},
    {"unplugged_while_writing", {"unplug-after 300"}, {"-silent"}, 1, std::nullopt, true},
    {"bootloader_refused", {"refuse-bootloader on"}, {"-silent"}, 1, std::nullopt, true},
};

INSTANTIATE_TEST_SUITE_P(Reflasher, SilentRun, ::testing::ValuesIn(kCases),
                         [](const auto& info) { return std::string(info.param.name); });

// Runs that need a keyboard already updated, or none at all.
TEST(SilentRunSequence, NotNewerEndsWithFourAndForceFlashesAgain) {
    SimulatedKeyboard keyboard("us");
    ASSERT_TRUE(keyboard.running());
    ScratchFolder runtime("lumetta-reflasher-run");
    ASSERT_EQ(runReflasher({"-silent"}, keyboard.root(), runtime.path()).exitCode, 0);
    ASSERT_TRUE(keyboard.waitForMode("firmware"));
    const auto requestsBefore = keyboard.values("state")["requests"];
    EXPECT_EQ(runReflasher({"-silent"}, keyboard.root(), runtime.path()).exitCode, 4);
    EXPECT_EQ(keyboard.values("state")["mode"], "firmware") << "a current keyboard was restarted";
    EXPECT_EQ(runReflasher({"-Silent", "-FORCE"}, keyboard.root(), runtime.path()).exitCode, 0);
    ASSERT_TRUE(keyboard.waitForMode("firmware"));
    EXPECT_NE(keyboard.values("state")["requests"], requestsBefore);
}

TEST(SilentRunSequence, NoKeyboardEndsWithTwo) {
    ScratchFolder root("lumetta-reflasher-empty");
    std::filesystem::create_directories(root.path() / "sys" / "class" / "hidraw");
    std::filesystem::create_directories(root.path() / "dev");
    EXPECT_EQ(runReflasher({"-silent"}, root.path(), root.path()).exitCode, 2);
}

TEST(SilentRunSequence, ASecondCopyEndsAtOnceWithoutUpdating) {
    ScratchFolder runtime("lumetta-reflasher-run");
    ScratchFolder root("lumetta-reflasher-empty");
    std::filesystem::create_directories(root.path() / "sys" / "class" / "hidraw");
    std::filesystem::create_directories(root.path() / "dev");
    std::string error;
    // A windowed copy waits for a keyboard that never comes, holding the lock.
    auto first = ChildProcess::start({REFLASHER_PROGRAM},
                                     {"HIDLINK_SYSFS_ROOT=" + (root.path() / "sys").string(),
                                      "HIDLINK_DEV_ROOT=" + (root.path() / "dev").string(),
                                      "XDG_RUNTIME_DIR=" + runtime.path().string(),
                                      "LUMETTA_DISPLAY=headless"},
                                     error);
    ASSERT_TRUE(first) << error;
    const auto lockFile = runtime.path() / "Lumetta_Reflasher.lock";
    for (int i = 0; i < 200 && !std::filesystem::exists(lockFile); ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    EXPECT_EQ(runReflasher({"-silent"}, root.path(), runtime.path()).exitCode, 1);
    first->stop();
}

TEST(SilentRunSequence, HelpGoesToStandardOutput) {
    ScratchFolder runtime("lumetta-reflasher-run");
    const UpdaterRun run = runReflasher({"/?"}, runtime.path(), runtime.path());
    EXPECT_EQ(run.exitCode, 0);
    EXPECT_NE(run.output.find("-silent  \t:don't show ui and auto to update fw"), std::string::npos)
        << run.output;
}

} // namespace
} // namespace lumetta::test
