// The channel and the session against the simulated keyboard program: real pseudo-terminals,
// real inotify, the HID layer's real threads.
#include "device/channel/CUSBDriver.h"
#include "device/channel/DeviceMessages.h"
#include "shell/session/DeviceSession.h"

#include "FakeHidLayer.h"
#include "KbsimProcess.h"
#include "TestKeyMaps.h"
#include "TestRecords.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <thread>

namespace lumetta {
namespace {

using testing::KbsimProcess;
using testing::RecordingWindow;
using Received = RecordingWindow::Received;

class SimulatedKeyboard : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(keyboard.running());
        keyboard.exportRoots();
        channel = std::make_unique<CUSBDriver>(linkedHidlinkApi(), 0);
        channel->setOwner(owner.handle());
        channel->setDebugOutput([this](std::string_view text) { debug.emplace_back(text); });
        channel->setLog([this](std::string_view text) { log.emplace_back(text); });
    }
    void TearDown() override { channel.reset(); }

    // Handles this thread's messages until `done` holds (at most ten seconds).
    bool pumpUntil(const std::function<bool()>& done) {
        const auto giveUp = std::chrono::steady_clock::now() + std::chrono::seconds(10);
        while (!done()) {
            if (std::chrono::steady_clock::now() > giveUp) {
                return false;
            }
            if (!core::EventLoop::pumpOne()) {
                std::this_thread::sleep_for(std::chrono::milliseconds(1));
            }
        }
        return true;
    }

    std::size_t logged(const std::string& prefix) const {
        return static_cast<std::size_t>(
            std::count_if(log.begin(), log.end(),
                          [&](const std::string& line) { return line.starts_with(prefix); }));
    }

    KbsimProcess keyboard;
    RecordingWindow owner;
    std::unique_ptr<CUSBDriver> channel;
    std::vector<std::string> debug;
    std::vector<std::string> log;
};

TEST_F(SimulatedKeyboard, ArrivesLeavesOnceAndComesBack) {
    ASSERT_TRUE(channel->Open());
    EXPECT_EQ(owner.drain(), (std::vector<Received>{{WM_DEVICE_PLUG, 0, 1}}));
    ASSERT_EQ(channel->devices().size(), 1u) << "the boot keyboard interface is not ours";
    EXPECT_EQ(channel->devices()[0].UsagePage, 0xFF00);
    EXPECT_EQ(channel->devices()[0].ProductId, 0x0203);
    EXPECT_EQ(channel->GetVersion(), 0x0100);

    owner.received.clear();
    keyboard.control("unplug");
    ASSERT_TRUE(pumpUntil([&] { return !owner.received.empty(); }));
    EXPECT_EQ(channel->Connected(), 0);
    keyboard.control("plug");
    ASSERT_TRUE(pumpUntil([&] { return owner.received.size() >= 2; }));
    EXPECT_EQ(owner.received,
              (std::vector<Received>{{WM_DEVICE_PLUG, 0, 0}, {WM_DEVICE_PLUG, 0, 1}}));
    EXPECT_TRUE(std::any_of(debug.begin(), debug.end(),
                            [](const auto& line) { return line.starts_with("MONITORCLOSE:"); }));
    StatusBlock status{};
    EXPECT_EQ(channel->GetStatus(status), 0);
}

TEST_F(SimulatedKeyboard, OpeningWithTheKeyboardAwayReportsItGone) {
    keyboard.control("unplug");
    ASSERT_TRUE(keyboard.waitForPresence(false));
    EXPECT_FALSE(channel->Open());
    EXPECT_EQ(owner.drain(), (std::vector<Received>{{WM_DEVICE_PLUG, 0, 0}}));
    StatusBlock status{};
    EXPECT_EQ(channel->GetStatus(status), 1);
}

TEST_F(SimulatedKeyboard, OnlyTheEchoAnswersAndALostAnswerTimesOut) {
    ASSERT_TRUE(channel->Open());
    CommandReport status = makeRequest(0x40, 0x63);
    EXPECT_EQ(channel->Transact(status), 0);
    EXPECT_EQ(status.Command, 0x40);
    EXPECT_EQ(status.SubCommand, 0x63);

    // The running firmware refuses a bootloader command with FF AA: not an echo.
    CommandReport refused = makeRequest(0x1D, 0x00);
    const CommandReport sent = refused;
    EXPECT_EQ(channel->Transact(refused), 1);
    EXPECT_EQ(std::memcmp(&refused, &sent, sizeof sent), 0);
    EXPECT_EQ(log.back(), "SetData Error ...Error ");

    keyboard.control("drop-answers 1");
    StatusBlock block{};
    EXPECT_EQ(channel->GetStatus(block), 1);
    EXPECT_EQ(channel->GetStatus(block), 0);
}

TEST_F(SimulatedKeyboard, KeyboardKeysBecomeEventsOnceEventsAreSetUp) {
    ASSERT_TRUE(channel->Open());
    owner.drain();
    owner.received.clear();
    StatusBlock status{};

    keyboard.control("press-profile-key");
    channel->GetStatus(status); // any report sent before the answer has been received by now
    EXPECT_EQ(owner.drain().size(), 0u);

    ASSERT_EQ(channel->SetupEvents(0x01000001, 1), 0);
    keyboard.control("press-profile-key");
    channel->GetStatus(status);
    EXPECT_EQ(status[STATUS_PROFILE_BYTE], 2);
    const core::LParam connected = channel->Connected();
    EXPECT_EQ(owner.drain(), (std::vector<Received>{{WM_DEVICE_EVENT, 3, connected}}));

    owner.received.clear();
    keyboard.control("press-mode-key");
    channel->GetStatus(status);
    EXPECT_EQ(owner.drain(), (std::vector<Received>{{WM_DEVICE_EVENT, 0, connected}}));
}

TEST_F(SimulatedKeyboard, SelectProfileStopsReadingOnceTheKeyboardReportsIt) {
    ASSERT_TRUE(channel->Open());
    EXPECT_EQ(channel->SelectProfile(4), 0);
    EXPECT_EQ(logged("SetData Out: cmd:51, Key:0,"), 1u);
    EXPECT_EQ(logged("SetData Out: cmd:52, Key:0,"), 1u);
    EXPECT_EQ(keyboard.values("state")["current-profile"], "4");
}

class SimulatedKeyboardSession : public SimulatedKeyboard {
protected:
    void SetUp() override {
        SimulatedKeyboard::SetUp();
        ASSERT_TRUE(channel->Open());
        resetProfileStore(store, true, map);
        session = std::make_unique<DeviceSession>(*channel, store, saved);
        ASSERT_EQ(session->setUpArrival(), 0);
    }

    testing::ScopedKeyMap scopedMap{testing::identityKeyMap()};
    const KeyMap& map = keyMap();
    ProfileStore store{};
    ProfileStore saved{};
    std::unique_ptr<DeviceSession> session;
};

TEST_F(SimulatedKeyboardSession, WriteThenReadLeavesTheKeyboardHoldingExactlyTheRecords) {
    store = testing::distinctStore(map);
    ASSERT_EQ(session->saveToKeyboard(), 0);
    EXPECT_EQ(keyboard.values("state")["current-profile"], "2");
    const auto profile0 = keyboard.values("profile 0 committed");
    EXPECT_EQ(profile0.at("effect-list"), "000204feffffffffffffffffffffffffffff");
    EXPECT_EQ(profile0.at("selected-effect"), "2");
    std::string nameBytes;
    const auto* name = reinterpret_cast<const std::uint8_t*>(store.profiles[0].name);
    for (int i = 0; i < 32; ++i) {
        char two[3];
        std::snprintf(two, sizeof two, "%02x", name[i]);
        nameBytes += two;
    }
    EXPECT_EQ(profile0.at("name-bytes"), nameBytes);

    ProfileStore readBack{};
    resetProfileStore(readBack, true, map);
    ProfileStore readSaved{};
    DeviceSession reader(*channel, readBack, readSaved);
    EXPECT_EQ(reader.readProfilesFromKeyboard(DeviceSession::ALL_PROFILES), 0);
    for (int p = 0; p < PROFILE_COUNT; ++p) {
        EXPECT_TRUE(readBack.profiles[p] == store.profiles[p]) << "profile " << p;
    }
    EXPECT_EQ(readBack.currentProfile, store.currentProfile);
    EXPECT_EQ(logged("SetData Error"), 0u);
}

TEST_F(SimulatedKeyboardSession, UnpluggingDuringAReadEndsThePassAfterOneTimeOut) {
    keyboard.control("unplug-after 60");
    EXPECT_EQ(session->readProfilesFromKeyboard(DeviceSession::ALL_PROFILES), 1);
    EXPECT_EQ(channel->Connected(), 0);
    EXPECT_LE(logged("SetData Error"), 2u);
}

TEST_F(SimulatedKeyboardSession, UnpluggingDuringAWriteEndsThePassAfterOneTimeOut) {
    store = testing::distinctStore(map);
    keyboard.control("unplug-after 90");
    EXPECT_EQ(session->saveToKeyboard(), 1);
    EXPECT_EQ(channel->Connected(), 0);
    EXPECT_LE(logged("SetData Error"), 2u);
    EXPECT_EQ(session->exitStep(), 1);
}

} // namespace
} // namespace lumetta
