#include "platform/os/InstanceLock.h"

#include "platform/os/ProcessLauncher.h"

#include "TestFolders.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

namespace lumetta::os {
namespace {

using testing::TempFolder;

TEST(InstanceLock, OneHolderAtATime) {
    TempFolder folder;
    InstanceLock first = InstanceLock::acquireIn(folder.path(), "Wrenfield_Lumetta_configure");
    ASSERT_EQ(first.state(), InstanceLock::State::Held);
    EXPECT_TRUE(std::filesystem::exists(folder / "Wrenfield_Lumetta_configure.lock"));

    InstanceLock second = InstanceLock::acquireIn(folder.path(), "Wrenfield_Lumetta_configure");
    EXPECT_EQ(second.state(), InstanceLock::State::Busy);
    EXPECT_TRUE(InstanceLock::acquireIn(folder.path(), "other").held()) << "names are separate";

    first.release();
    EXPECT_TRUE(InstanceLock::acquireIn(folder.path(), "Wrenfield_Lumetta_configure").held());
}

TEST(InstanceLock, DefaultFolderIsTheRuntimeFolder) {
    testing::TempHome home;
    InstanceLock lock = InstanceLock::acquire("name");
    ASSERT_TRUE(lock.held());
    EXPECT_TRUE(std::filesystem::exists(home.runtime() / "name.lock"));
}

TEST(InstanceLock, KilledHolderReleasesIt) {
    TempFolder folder;
    int ready[2];
    ASSERT_EQ(::pipe(ready), 0);
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        InstanceLock lock = InstanceLock::acquireIn(folder.path(), "x");
        const char state = lock.held() ? 'y' : 'n';
        (void)!::write(ready[1], &state, 1);
        ::pause();
        ::_exit(0);
    }
    char state = 0;
    ASSERT_EQ(::read(ready[0], &state, 1), 1);
    ASSERT_EQ(state, 'y');
    EXPECT_EQ(InstanceLock::acquireIn(folder.path(), "x").state(), InstanceLock::State::Busy);
    ::kill(child, SIGKILL);
    ::waitpid(child, nullptr, 0);
    EXPECT_TRUE(InstanceLock::acquireIn(folder.path(), "x").held());
    ::close(ready[0]);
    ::close(ready[1]);
}

TEST(InstanceLock, ProgramsStartedByTheHolderDoNotInheritIt) {
    TempFolder folder;
    InstanceLock lock = InstanceLock::acquireIn(folder.path(), "x");
    ASSERT_TRUE(lock.held());
    const LaunchResult child = launchProcess("/bin/sleep", {"30"});
    ASSERT_TRUE(child);
    lock.release();
    const bool free = InstanceLock::acquireIn(folder.path(), "x").held();
    ::kill(child.pid, SIGKILL);
    waitForExit(child.pid);
    EXPECT_TRUE(free);
}

TEST(InstanceLock, UnusableFolderIsReportedAsUnavailable) {
    TempFolder folder;
    EXPECT_EQ(InstanceLock::acquireIn(folder / "missing", "x").state(),
              InstanceLock::State::Unavailable);
}

} // namespace
} // namespace lumetta::os
