// Runs the real lumetta-kbsim under a temporary root: real pseudo-terminals, real inotify, the
// control socket and the one-shot client.
#include <gtest/gtest.h>

#include <array>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <poll.h>
#include <set>
#include <spawn.h>
#include <sstream>
#include <string>
#include <sys/inotify.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

extern char** environ;

namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

pid_t spawn(const std::vector<std::string>& args) {
    std::vector<char*> argv;
    for (const auto& a : args) {
        argv.push_back(const_cast<char*>(a.c_str()));
    }
    argv.push_back(nullptr);
    pid_t pid = -1;
    if (posix_spawn(&pid, argv[0], nullptr, nullptr, argv.data(), environ) != 0) {
        return -1;
    }
    return pid;
}

int waitExit(pid_t pid) {
    int status = 0;
    if (waitpid(pid, &status, 0) != pid || !WIFEXITED(status)) {
        return -1;
    }
    return WEXITSTATUS(status);
}

// The simulator under a fresh root, stopped with SIGTERM at the end of the test.
class ProgramTest : public ::testing::Test {
protected:
    void SetUp() override {
        char pattern[] = "/tmp/kbsim-program-XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        root = pattern;
        fs::create_directories(root / "dev");
        inotify = inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
        ASSERT_GE(inotify, 0);
        ASSERT_GE(inotify_add_watch(inotify, (root / "dev").c_str(), IN_CREATE | IN_DELETE), 0);
        simulator = spawn({KBSIM_PROGRAM, "--root", root.string(), "--layout", "jp"});
        ASSERT_GT(simulator, 0);
    }

    void TearDown() override {
        if (simulator > 0) {
            kill(simulator, SIGTERM);
            waitExit(simulator);
        }
        if (inotify >= 0) {
            close(inotify);
        }
        fs::remove_all(root);
    }

    // Names created (+) and deleted (-) in dev/ until `count` events came or 5 s passed.
    std::vector<std::string> nodeEvents(std::size_t count) {
        std::vector<std::string> events;
        const auto deadline = std::chrono::steady_clock::now() + 5s;
        while (events.size() < count && std::chrono::steady_clock::now() < deadline) {
            pollfd entry{inotify, POLLIN, 0};
            poll(&entry, 1, 100);
            alignas(inotify_event) char buffer[4096];
            const ssize_t n = read(inotify, buffer, sizeof buffer);
            for (ssize_t at = 0; at < n;) {
                const auto* e = reinterpret_cast<const inotify_event*>(buffer + at);
                events.push_back((e->mask & IN_CREATE ? "+" : "-") + std::string(e->name));
                at += static_cast<ssize_t>(sizeof(inotify_event) + e->len);
            }
        }
        return events;
    }

    // The node whose descriptor begins with the vendor usage page 0xFF00.
    fs::path commandNode() {
        for (const auto& entry : fs::directory_iterator(root / "sys/class/hidraw")) {
            std::ifstream in(entry.path() / "device/report_descriptor", std::ios::binary);
            char head[3] = {};
            in.read(head, 3);
            if (head[0] == 0x06 && head[1] == 0x00 && head[2] == char(0xFF)) {
                return root / "dev" / entry.path().filename();
            }
        }
        return {};
    }

    int control(const std::string& command) {
        return waitExit(
            spawn({KBSIM_PROGRAM, "--control", (root / "kbsim.sock").string(), command}));
    }

    fs::path root;
    int inotify = -1;
    pid_t simulator = -1;
};

TEST_F(ProgramTest, NodesAnswerAndFollowTheCable) {
    EXPECT_EQ(nodeEvents(2), (std::vector<std::string>{"+hidraw0", "+hidraw1"}));
    const fs::path node = commandNode();
    ASSERT_FALSE(node.empty()) << "no command interface in sysfs";
    std::ifstream uevent(fs::path(root / "sys/class/hidraw" / node.filename()) / "device/uevent");
    std::stringstream text;
    text << uevent.rdbuf();
    EXPECT_NE(text.str().find("HID_ID=0003:000004D9:00000203"), std::string::npos) << text.str();

    const int fd = open(node.c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC);
    ASSERT_GE(fd, 0);
    std::array<std::uint8_t, 65> request{0, 0x12, 0x00, 0x34, 0x12};
    ASSERT_EQ(write(fd, request.data(), request.size()), 65);
    pollfd entry{fd, POLLIN, 0};
    ASSERT_EQ(poll(&entry, 1, 2000), 1) << "no answer";
    std::array<std::uint8_t, 64> answer{};
    ASSERT_EQ(read(fd, answer.data(), answer.size()), 64);
    EXPECT_EQ(std::vector<std::uint8_t>(answer.begin(), answer.begin() + 4),
              (std::vector<std::uint8_t>{0x12, 0x00, 0x34, 0x12}));
    EXPECT_EQ(std::string(answer.begin() + 8, answer.begin() + 24), "LUMETTA-SIM-0001");
    EXPECT_EQ(answer[24], 3) << "layout id of a jp keyboard";

    EXPECT_EQ(control("unplug"), 0);
    EXPECT_EQ(nodeEvents(2), (std::vector<std::string>{"-hidraw1", "-hidraw0"}));
    EXPECT_LE(read(fd, answer.data(), answer.size()), 0) << "the host still reads after unplug";
    close(fd);

    EXPECT_EQ(control("plug"), 0);
    EXPECT_EQ(nodeEvents(2), (std::vector<std::string>{"+hidraw0", "+hidraw1"}));
    EXPECT_EQ(control("no-such-command"), 1);

    kill(simulator, SIGTERM);
    EXPECT_EQ(waitExit(simulator), 0);
    simulator = -1;
    EXPECT_FALSE(fs::exists(root / "kbsim.sock"));
    EXPECT_FALSE(fs::exists(root / "dev/hidraw0")) << "nodes left behind after the simulator ended";
    EXPECT_TRUE(fs::exists(root / "kbsim.state"));

    std::ifstream log(root / "kbsim.log");
    std::set<std::string> lines;
    for (std::string line; std::getline(log, line);) {
        lines.insert(line.substr(line.find(' ') + 1));
    }
    std::string out = "out 12003412" + std::string(120, '0');
    EXPECT_TRUE(lines.count(out)) << "request missing from the log";
}

} // namespace
