#include "kbsim/ControlCommand.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace lumetta::kbsim {
namespace {

using namespace std::chrono_literals;

class ControlCommandTest : public ::testing::Test {
protected:
    ControlCommandTest() {
        device.powerOn(now);
        device.takeDue(now);
    }

    ControlReply run(std::string_view line) { return executeControl(device, line, now); }

    bool stateHas(const std::string& line) {
        const auto lines = run("state").lines;
        return std::find(lines.begin(), lines.end(), line) != lines.end();
    }

    KeyboardDevice::TimePoint now = KeyboardDevice::TimePoint(10s);
    KeyboardDevice device{factoryState(Layout::EU)};
};

TEST_F(ControlCommandTest, CommandsSetTheirFaults) {
    struct Case {
        const char* command;
        const char* stateLine;
    };
    const Case cases[] = {
        {"drop-answers 3", "drop-answers=3"},
        {"delay-answers 0x10", "delay-answers=16"},
        {"unplug-after 40", "unplug-after=40"},
        {"wrong-pointer-once", "wrong-pointer-once=1"},
        {"bad-checksum-once", "bad-checksum-once=1"},
        {"refuse-bootloader", "refuse-bootloader=1"},
        {"refuse-bootloader off", "refuse-bootloader=0"},
        {"  refuse-bootloader   on ", "refuse-bootloader=1"},
        {"clear-faults", "drop-answers=0"},
        {"clear-faults", "unplug-after=none"},
    };
    for (const Case& c : cases) {
        const ControlReply reply = run(c.command);
        EXPECT_TRUE(reply.ok()) << c.command << ": " << reply.error;
        EXPECT_TRUE(stateHas(c.stateLine)) << c.command << " did not give " << c.stateLine;
    }
}

TEST_F(ControlCommandTest, BadCommandsAreErrors) {
    for (const char* line : {"", "fly", "drop-answers", "drop-answers x", "delay-answers 1 2",
                             "unplug now", "refuse-bootloader maybe", "profile 6",
                             "profile 1 later", "checksum 0", "state please"}) {
        const ControlReply reply = run(line);
        EXPECT_FALSE(reply.ok()) << "accepted \"" << line << "\"";
        EXPECT_TRUE(reply.text().starts_with("error: ")) << reply.text();
    }
}

TEST_F(ControlCommandTest, StateDescribesIdentityAndVersion) {
    for (const char* line : {"present=1", "mode=firmware", "product-id=0x0203", "layout=eu",
                             "layout-id=2", "bcd-device=0x0200", "model-id=LUMETTA-SIM-0001",
                             "version=1.2.5", "version-text=V1.2 build 5", "version-valid=1"}) {
        EXPECT_TRUE(stateHas(line)) << "missing " << line;
    }
    EXPECT_EQ(run("state").text().substr(run("state").text().size() - 3), "ok\n");
}

TEST_F(ControlCommandTest, KeysAndCableChangeTheDevice) {
    EXPECT_TRUE(run("press-profile-key").ok());
    EXPECT_TRUE(stateHas("current-profile=1"));
    EXPECT_TRUE(run("unplug").ok());
    device.takeDue(now);
    EXPECT_TRUE(stateHas("present=0"));
    const ControlReply away = run("press-profile-key");
    EXPECT_EQ(away.error, "the keyboard is unplugged");
    EXPECT_TRUE(run("plug").ok());
    device.takeDue(now);
    EXPECT_TRUE(stateHas("present=1"));
    EXPECT_TRUE(run("unplug-after 0").ok());
    EXPECT_FALSE(device.attached()) << "unplug-after 0 unplugs at once";
}

TEST_F(ControlCommandTest, ProfileAndChecksumReadTheContent) {
    const auto profile = run("profile 3 committed").lines;
    EXPECT_NE(std::find(profile.begin(), profile.end(), "named=0"), profile.end());
    EXPECT_NE(std::find(profile.begin(), profile.end(), "selected-effect=0"), profile.end());
    const auto sum = run("checksum 0x1000 61440").lines;
    ASSERT_EQ(sum.size(), 1u);
    char expected[32];
    std::snprintf(expected, sizeof expected, "checksum=0x%08x",
                  flashChecksum(device.state().flash, FIRMWARE_START, FIRMWARE_AREA_SIZE));
    EXPECT_EQ(sum[0], expected);
}

} // namespace
} // namespace lumetta::kbsim
