#include "platform/os/ProcessLauncher.h"

#include "TestFolders.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>

#include <cerrno>

#include <chrono>
#include <thread>

namespace lumetta::os {
namespace {

namespace fs = std::filesystem;
using testing::TempFolder;

LaunchOptions searchingPath(bool search) {
    LaunchOptions options;
    options.searchPath = search;
    return options;
}

TEST(ProcessLauncher, ArgumentsReachTheProgramUninterpreted) {
    TempFolder folder;
    // A shell would split, expand and chain these; the program must get each one as it is.
    const std::vector<std::string> names = {"two words", "semi;colon", "$HOME", "quote\"s", "*"};
    std::vector<std::string> arguments;
    for (const auto& name : names) {
        arguments.push_back((folder / name).string());
    }
    const LaunchResult started = launchProcess("touch", arguments, searchingPath(true));
    ASSERT_TRUE(started) << started.error.message();
    const auto status = waitForExit(started.pid);
    ASSERT_TRUE(status);
    EXPECT_TRUE(WIFEXITED(*status) && WEXITSTATUS(*status) == 0);
    for (const auto& name : names) {
        EXPECT_TRUE(fs::exists(folder / name)) << name;
    }
}

TEST(ProcessLauncher, StartsInTheGivenFolder) {
    TempFolder folder;
    const LaunchResult started =
        launchProcess("/usr/bin/touch", {"here"}, {.workingFolder = folder.path()});
    ASSERT_TRUE(started);
    waitForExit(started.pid);
    EXPECT_TRUE(fs::exists(folder / "here"));
}

TEST(ProcessLauncher, MissingProgramIsAnErrorNotAChild) {
    const LaunchResult direct = launchProcess("/nonexistent/program", {});
    EXPECT_FALSE(direct);
    EXPECT_EQ(direct.error, std::errc::no_such_file_or_directory);
    EXPECT_FALSE(launchProcess("lumetta-no-such-program", {}, searchingPath(true)));
    EXPECT_FALSE(launchProcess("lumetta-no-such-program", {}, searchingPath(false)));
    EXPECT_FALSE(launchDetached("", {}));
}

TEST(ProcessLauncher, DetachedChildIsCollected) {
    TempFolder folder;
    const LaunchResult started = launchDetached("/usr/bin/touch", {(folder / "done").string()});
    ASSERT_TRUE(started);
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    // Once the reaper thread has collected the child, the pid is gone; a zombie would still be
    // there for kill to find.
    bool collected = false;
    while (!collected && std::chrono::steady_clock::now() < deadline) {
        collected = ::kill(started.pid, 0) != 0 && errno == ESRCH;
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    EXPECT_TRUE(collected);
    EXPECT_TRUE(fs::exists(folder / "done"));
}

} // namespace
} // namespace lumetta::os
