// The staged Reflasher's window on an X server of the test's own with the desktop display:
// xdotool clicks the update button like a user, the keyboard is flashed while the bar moves, the
// success window appears, and its OK button starts the caller with "true".

#include "SimulatedKeyboard.h"
#include "e2e/display/ChildProcess.h"
#include "e2e/display/XvfbServer.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

namespace lumetta::test {
namespace {

using flash::test::ScratchFolder;
using flash::test::SimulatedKeyboard;
using namespace std::chrono_literals;

struct Geometry {
    int x = 0, y = 0, width = 0, height = 0;
};

// Every visible top-level window with its place on the screen.
std::vector<std::pair<std::string, Geometry>> visibleWindows(const XvfbServer& server) {
    std::string ids;
    server.xdotool({"search", "--onlyvisible", "--name", ".*"}, &ids);
    std::vector<std::pair<std::string, Geometry>> windows;
    std::istringstream lines(ids);
    for (std::string id; std::getline(lines, id);) {
        std::string shell;
        if (id.empty() || server.xdotool({"getwindowgeometry", "--shell", id}, &shell) != 0) {
            continue;
        }
        std::map<std::string, int> values;
        std::istringstream fields(shell);
        for (std::string field; std::getline(fields, field);) {
            const auto eq = field.find('=');
            if (eq != std::string::npos) {
                values[field.substr(0, eq)] = std::atoi(field.c_str() + eq + 1);
            }
        }
        windows.push_back({id, {values["X"], values["Y"], values["WIDTH"], values["HEIGHT"]}});
    }
    return windows;
}

// Waits for a visible window of the given size.
std::optional<Geometry> waitForWindow(const XvfbServer& server, int width, int height,
                                      std::chrono::seconds limit) {
    const auto giveUp = std::chrono::steady_clock::now() + limit;
    do {
        for (const auto& [id, g] : visibleWindows(server)) {
            if (g.width == width && g.height == height) {
                return g;
            }
        }
        std::this_thread::sleep_for(100ms);
    } while (std::chrono::steady_clock::now() < giveUp);
    return std::nullopt;
}

void clickAt(const XvfbServer& server, int x, int y) {
    ASSERT_EQ(server.xdotool({"mousemove", std::to_string(x), std::to_string(y)}), 0);
    std::this_thread::sleep_for(150ms);
    ASSERT_EQ(server.xdotool({"click", "1"}), 0);
}

TEST(ReflasherOnXvfb, ClickingUpdateFlashesAndOkStartsTheCaller) {
    XvfbServer server;
    ASSERT_TRUE(server.running()) << server.error();
    SimulatedKeyboard keyboard("us");
    ASSERT_TRUE(keyboard.running());

    // A program folder of its own: the updater beside a stand-in for the configurator that
    // records the arguments it was started with.
    ScratchFolder folder("lumetta-reflasher-xvfb");
    const auto appDir = folder.path() / "app";
    std::filesystem::create_directories(appDir / "Reflasher");
    std::filesystem::copy_file(REFLASHER_PROGRAM, appDir / "Reflasher" / "Reflasher");
    std::filesystem::permissions(appDir / "Reflasher" / "Reflasher",
                                 std::filesystem::perms::owner_all);
    const auto record = folder.path() / "caller-arguments";
    {
        std::ofstream script(appDir / "Lumetta");
        script << "#!/bin/sh\nprintf '%s\\n' \"$@\" > '" << record.string() << "'\n";
    }
    std::filesystem::permissions(appDir / "Lumetta", std::filesystem::perms::owner_all);
    const auto runtime = folder.path() / "run";
    std::filesystem::create_directories(runtime);

    std::vector<std::string> env = server.environment();
    env.push_back("HIDLINK_SYSFS_ROOT=" + (keyboard.root() / "sys").string());
    env.push_back("HIDLINK_DEV_ROOT=" + (keyboard.root() / "dev").string());
    env.push_back("XDG_RUNTIME_DIR=" + runtime.string());
    env.push_back("LUMETTA_DISPLAY=sdl");
    std::string error;
    auto updater = ChildProcess::start(
        {(appDir / "Reflasher" / "Reflasher").string(), "true", "../Lumetta"}, env, error);
    ASSERT_TRUE(updater) << error;

    // The confirmation window (520 x 360), its update button at (190,298) sized 140 x 40.
    const auto main = waitForWindow(server, 520, 360, 20s);
    ASSERT_TRUE(main) << "the updater's window did not appear";
    std::this_thread::sleep_for(2s); // the keyboard's information is read after the settle time
    const gfx::Surface before = server.screenshot();
    ASSERT_FALSE(before.empty());
    // The three texts are drawn in the value column: light pixels where the background is dark.
    int lightText = 0;
    for (int y = main->y + 123; y < main->y + 225; ++y) {
        for (int x = main->x + 212; x < main->x + 476; ++x) {
            const unsigned rgb = rgbAt(before, {x, y});
            lightText += ((rgb >> 16) & 0xFF) > 0xC0 && ((rgb >> 8) & 0xFF) > 0xC0;
        }
    }
    EXPECT_GT(lightText, 100) << "the layout and version texts are missing";

    clickAt(server, main->x + 260, main->y + 318);

    // While the flash runs the bar fills with the crimson accent from the left.
    bool barMoved = false;
    const auto flashGiveUp = std::chrono::steady_clock::now() + 30s;
    std::optional<Geometry> result;
    while (std::chrono::steady_clock::now() < flashGiveUp && !result) {
        const gfx::Surface shot = server.screenshot();
        if (!shot.empty()) {
            const unsigned rgb = rgbAt(shot, {main->x + 40, main->y + 264});
            barMoved = barMoved || (((rgb >> 16) & 0xFF) > 0x90 && ((rgb >> 8) & 0xFF) < 0x60);
        }
        result = waitForWindow(server, 400, 240, 0s);
        std::this_thread::sleep_for(200ms);
    }
    EXPECT_TRUE(barMoved) << "the progress bar never filled";
    if (!result) {
        std::string seen;
        for (const auto& [id, g] : visibleWindows(server)) {
            seen += " " + id + ":" + std::to_string(g.width) + "x" + std::to_string(g.height);
        }
        server.saveScreenshot(std::filesystem::path(LUMETTA_BINARY_DIR) / "test-output" /
                              "reflasher-xvfb-no-result.png");
        FAIL() << "no result window; visible:" << seen;
    }
    server.saveScreenshot(std::filesystem::path(LUMETTA_BINARY_DIR) / "test-output" /
                          "reflasher-xvfb-success.png");
    ASSERT_TRUE(keyboard.waitForMode("firmware"));
    EXPECT_EQ(keyboard.values("state")["version"], "1.2.6");

    // OK of the success window (150,184) sized 100 x 36.
    std::this_thread::sleep_for(500ms);
    clickAt(server, result->x + 200, result->y + 202);
    const auto exitCode = updater->wait(20s);
    ASSERT_TRUE(exitCode) << "the updater did not end after OK";
    const auto giveUp = std::chrono::steady_clock::now() + 10s;
    while (!std::filesystem::exists(record) && std::chrono::steady_clock::now() < giveUp) {
        std::this_thread::sleep_for(50ms);
    }
    std::ifstream in(record);
    std::string first;
    std::getline(in, first);
    EXPECT_EQ(first, "true") << "the caller was not started with \"true\"";
}

} // namespace
} // namespace lumetta::test
