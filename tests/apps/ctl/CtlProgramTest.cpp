// lumetta-ctl as users run it: the program from its own folder, against the simulated keyboard.
#include "KbsimProcess.h"
#include "TestKeyMaps.h"
#include "platform/os/InstanceLock.h"
#include "profiles/IniFile.h"
#include "shell/startup/ConfiguratorStartup.h"

#include <gtest/gtest.h>

#include <csignal>
#include <fcntl.h>
#include <fstream>
#include <iterator>
#include <spawn.h>
#include <sys/wait.h>

namespace lumetta {
namespace {

namespace fs = std::filesystem;
using testing::KbsimProcess;
using testing::TempFolder;

std::string readFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

struct Outcome {
    int code = -1;
    std::string out;
    std::string err;
};

// A program folder laid out as an installed one: lumetta-ctl, libHidlink.so and a key map.
class CtlProgram : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(keyboard.running());
        fs::copy_file(LUMETTA_CTL_PATH, program() / "lumetta-ctl");
        fs::copy_file(LUMETTA_HIDLINK_PATH, program() / "libHidlink.so");
        fs::create_directories(program() / "Skins/1366x768");
        std::ofstream(program() / "Skins/1366x768/KeyboardButtons.xml")
            << testing::identityKeyMapXml();
        fs::create_directories(runtime());
        fs::permissions(runtime(), fs::perms::owner_all, fs::perm_options::replace);
        environment = {"HIDLINK_SYSFS_ROOT=" + keyboard.sysfs().string(),
                       "HIDLINK_DEV_ROOT=" + keyboard.dev().string(),
                       "XDG_RUNTIME_DIR=" + runtime().string(),
                       "XDG_CONFIG_HOME=" + (work.path() / "config").string(),
                       "HOME=" + work.path().string(), "PATH=/usr/bin:/bin",
                       // libHidlink.so carries its own copy of the message core, which the
                       // program's exported copy replaces on purpose; the address sanitizer
                       // would report the two copies' globals as a one-definition violation.
                       "ASAN_OPTIONS=detect_odr_violation=0"};
    }

    fs::path program() const { return work.path(); }
    fs::path runtime() const { return work.path() / "run"; }
    fs::path dir(const std::string& name) const { return work.path() / "data" / name; }

    pid_t start(const std::vector<std::string>& args) {
        std::vector<std::string> argv = {(program() / "lumetta-ctl").string()};
        argv.insert(argv.end(), args.begin(), args.end());
        std::vector<char*> argp;
        for (auto& arg : argv) {
            argp.push_back(arg.data());
        }
        argp.push_back(nullptr);
        std::vector<char*> envp;
        for (auto& entry : environment) {
            envp.push_back(entry.data());
        }
        envp.push_back(nullptr);
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        const std::string out = (work.path() / "out.txt").string();
        const std::string err = (work.path() / "err.txt").string();
        posix_spawn_file_actions_addopen(&actions, 1, out.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                         0600);
        posix_spawn_file_actions_addopen(&actions, 2, err.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                         0600);
        pid_t pid = -1;
        posix_spawn(&pid, argp[0], &actions, nullptr, argp.data(), envp.data());
        posix_spawn_file_actions_destroy(&actions);
        return pid;
    }

    Outcome finish(pid_t pid) {
        int status = 0;
        ::waitpid(pid, &status, 0);
        Outcome outcome;
        outcome.code = WIFEXITED(status) ? WEXITSTATUS(status) : 1000 + WTERMSIG(status);
        outcome.out = readFile(work.path() / "out.txt");
        outcome.err = readFile(work.path() / "err.txt");
        return outcome;
    }

    Outcome run(const std::vector<std::string>& args) { return finish(start(args)); }

    std::string state(const std::string& key) { return keyboard.values("state")[key]; }

    KbsimProcess keyboard;
    TempFolder work{"lumetta-ctl"};
    std::vector<std::string> environment;
};

std::vector<std::string> profileFileNames() {
    return {"Profile0.Prf", "Profile1.Prf", "Profile2.Prf", "Profile3.Prf",
            "Profile4.Prf", "Profile5.Prf", "config.ini"};
}

TEST_F(CtlProgram, ReadThenWriteRoundTripsTheKeyboardsProfilesExactly) {
    keyboard.control("press-profile-key");
    Outcome read = run({"read", "--dir", dir("a").string()});
    ASSERT_EQ(read.code, 0) << read.err;
    EXPECT_EQ(read.err, "") << "no progress bar when standard error is not a terminal";
    for (const std::string& name : profileFileNames()) {
        ASSERT_TRUE(fs::exists(dir("a") / name)) << name;
        EXPECT_TRUE(readFile(dir("a") / name).starts_with("\xFF\xFE")) << name;
    }
    EXPECT_EQ(IniFile(dir("a") / "config.ini").readInt(u"Setting", u"Profile", -1), 1);
    EXPECT_EQ(state("current-profile"), "1");
    EXPECT_EQ(state("led-mode"), "0");

    Outcome write = run({"write", "--dir", dir("a").string()});
    ASSERT_EQ(write.code, 0) << write.err;
    EXPECT_EQ(state("current-profile"), "1");
    EXPECT_EQ(state("led-mode"), "0");

    ASSERT_EQ(run({"read", "--dir", dir("b").string()}).code, 0);
    for (const std::string& name : profileFileNames()) {
        EXPECT_EQ(readFile(dir("a") / name), readFile(dir("b") / name)) << name;
    }
}

TEST_F(CtlProgram, ReadReplacesFilesOnlyWhenForcedAndKeepsPictureNames) {
    ASSERT_EQ(run({"read", "--dir", dir("a").string()}).code, 0);
    IniFile(dir("a") / "Profile0.Prf").writeString(u"NAME", u"PROFILE_NAME_PIC", u"sunset.png");
    const std::string before = readFile(dir("a") / "Profile0.Prf");
    const std::string requests = state("requests");

    const Outcome refused = run({"read", "--dir", dir("a").string()});
    EXPECT_EQ(refused.code, 2);
    EXPECT_NE(refused.err.find("--force"), std::string::npos);
    EXPECT_EQ(readFile(dir("a") / "Profile0.Prf"), before);
    EXPECT_EQ(state("requests"), requests) << "the keyboard was not touched";

    ASSERT_EQ(run({"read", "--dir", dir("a").string(), "--force"}).code, 0);
    EXPECT_EQ(IniFile(dir("a") / "Profile0.Prf").readString(u"NAME", u"PROFILE_NAME_PIC", u""),
              u"sunset.png");
}

TEST_F(CtlProgram, WritingOneProfileChangesOnlyThatProfile) {
    ASSERT_EQ(run({"read", "--dir", dir("a").string()}).code, 0);
    IniFile(dir("a") / "Profile2.Prf").writeString(u"NAME", u"PROFILE_NAME", u"Gaming");
    const auto otherBefore = keyboard.values("profile 4");

    const Outcome write = run({"write", "--dir", dir("a").string(), "--profile", "3"});
    ASSERT_EQ(write.code, 0) << write.err;
    EXPECT_EQ(keyboard.values("profile 2")["name-bytes"].substr(0, 24), "470061006d0069006e006700");
    EXPECT_EQ(keyboard.values("profile 4"), otherBefore);
    EXPECT_EQ(state("current-profile"), "0");
}

TEST_F(CtlProgram, SwitchMakesTheProfileCurrentAndLeavesNormalMode) {
    const Outcome outcome = run({"switch", "4"});
    ASSERT_EQ(outcome.code, 0) << outcome.err;
    EXPECT_EQ(state("current-profile"), "3");
    EXPECT_EQ(state("led-mode"), "0");
}

TEST_F(CtlProgram, InfoAndListDescribeTheKeyboard) {
    const Outcome info = run({"info"});
    ASSERT_EQ(info.code, 0) << info.err;
    EXPECT_EQ(info.out, "model: LUMETTA-SIM-0001\nlayout id: 1\nlayout type: 1\n"
                        "firmware version: V1.2 build 5\napplication version: 1.2 build 5\n");

    const Outcome list = run({"list"});
    ASSERT_EQ(list.code, 0) << list.err;
    EXPECT_NE(list.out.find(keyboard.dev().string() + "/hidraw"), std::string::npos) << list.out;
    EXPECT_NE(list.out.find("  04d9:0203  application  layout 1\n"), std::string::npos) << list.out;
    EXPECT_EQ(std::count(list.out.begin(), list.out.end(), '\n'), 1) << "one keyboard";
}

TEST_F(CtlProgram, ExitCodesTellWhatWentWrong) {
    EXPECT_EQ(run({"switch", "9"}).code, 2);
    EXPECT_EQ(run({"frob"}).code, 2);
    EXPECT_EQ(run({"write", "--dir", dir("missing").string()}).code, 2);

    {
        ::setenv("XDG_RUNTIME_DIR", runtime().c_str(), 1);
        const os::InstanceLock configurator = os::InstanceLock::acquire(CONFIGURATOR_INSTANCE_NAME);
        ASSERT_TRUE(configurator.held());
        const std::string requests = state("requests");
        const Outcome busy = run({"read", "--dir", dir("a").string()});
        EXPECT_EQ(busy.code, 4);
        EXPECT_NE(busy.err.find("configurator is running"), std::string::npos);
        EXPECT_EQ(state("requests"), requests);
        EXPECT_FALSE(fs::exists(dir("a")));
    }

    fs::remove(program() / "libHidlink.so");
    const Outcome noLayer = run({"info"});
    EXPECT_EQ(noLayer.code, 1);
    EXPECT_NE(noLayer.err.find("libHidlink.so"), std::string::npos) << noLayer.err;
    fs::copy_file(LUMETTA_HIDLINK_PATH, program() / "libHidlink.so");

    keyboard.control("unplug");
    ASSERT_TRUE(keyboard.waitForPresence(false));
    const Outcome away = run({"info"});
    EXPECT_EQ(away.code, 3);
    EXPECT_EQ(away.err, "lumetta-ctl: no keyboard found\n");
    EXPECT_EQ(run({"list"}).code, 3);
}

TEST_F(CtlProgram, AnUnpluggedKeyboardEndsAWriteWithAKeyboardError) {
    ASSERT_EQ(run({"read", "--dir", dir("a").string()}).code, 0);
    keyboard.control("unplug-after 50");
    const Outcome write = run({"write", "--dir", dir("a").string()});
    EXPECT_EQ(write.code, 1);
    EXPECT_NE(write.err.find("unplugged"), std::string::npos) << write.err;
}

TEST_F(CtlProgram, CtrlCStopsAReadPutsTheKeyboardBackAndWritesNothing) {
    keyboard.control("press-profile-key");
    keyboard.control("delay-answers 5");
    const pid_t pid = start({"read", "--dir", dir("a").string()});
    const auto giveUp = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (std::stoul("0" + state("requests")) < 40 && std::chrono::steady_clock::now() < giveUp) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    ::kill(pid, SIGINT);
    const Outcome outcome = finish(pid);
    EXPECT_EQ(outcome.code, 130) << outcome.err;
    EXPECT_FALSE(fs::exists(dir("a") / "Profile0.Prf"));
    EXPECT_EQ(state("current-profile"), "1");
    EXPECT_EQ(state("led-mode"), "0");
}

} // namespace
} // namespace lumetta
