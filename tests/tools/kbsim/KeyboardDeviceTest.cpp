#include "RequestBuilder.h"

#include "kbsim/KeyboardDevice.h"

#include <gtest/gtest.h>

#include <numeric>

namespace lumetta::kbsim {
namespace {

using namespace std::chrono_literals;
using test::request;
using test::requestU32;
using Kind = DeviceAction::Kind;
using TimePoint = KeyboardDevice::TimePoint;

TimePoint at(std::chrono::microseconds t) {
    return TimePoint(t);
}

// Drives a device with a hand-moved clock and collects what it does.
class KeyboardDeviceTest : public ::testing::Test {
protected:
    explicit KeyboardDeviceTest(KeyboardState initial = factoryState(Layout::US))
        : device(std::move(initial)) {
        device.powerOn(now);
        runUntil(now);
    }

    // Takes every action due up to `until`, moving the clock to each one's time.
    std::vector<std::pair<TimePoint, DeviceAction>> runUntil(TimePoint until) {
        std::vector<std::pair<TimePoint, DeviceAction>> done;
        while (auto due = device.nextDue()) {
            if (*due > until) {
                break;
            }
            now = std::max(now, *due);
            for (auto& action : device.takeDue(now)) {
                if (action.kind != Kind::NOTE && action.kind != Kind::SAVE) {
                    done.emplace_back(now, std::move(action));
                }
            }
        }
        now = std::max(now, until);
        return done;
    }

    // Sends a request now and returns the answer with its time, if one comes within 1 s.
    std::optional<std::pair<TimePoint, Report>> transact(const Report& r) {
        device.receive(now, r);
        for (auto& [time, action] : runUntil(now + 1s)) {
            if (action.kind == Kind::SEND) {
                return std::make_pair(time, action.report);
            }
        }
        return std::nullopt;
    }

    TimePoint now = at(1'000'000us);
    KeyboardDevice device;
};

TEST_F(KeyboardDeviceTest, AnswersInTheNextFrame) {
    struct Case {
        std::chrono::microseconds arrival;
        std::chrono::microseconds answer;
    };
    const Case cases[] = {
        {2'000'300us, 2'001'000us},
        {3'000'000us, 3'001'000us}, // on a frame boundary: the next one
        {4'000'999us, 4'001'000us},
    };
    for (const Case& c : cases) {
        runUntil(at(c.arrival));
        const auto answer = transact(request(0x52, 0x00));
        ASSERT_TRUE(answer);
        EXPECT_EQ(answer->first, at(c.answer)) << "arrival " << c.arrival.count() << " us";
    }
}

TEST_F(KeyboardDeviceTest, DropsAndDelaysAnswersAsAsked) {
    device.faults().dropAnswers = 2;
    EXPECT_FALSE(transact(request(0x52, 0x00)));
    EXPECT_FALSE(transact(request(0x51, 0x00, 0, {3})));
    const auto third = transact(request(0x52, 0x00));
    ASSERT_TRUE(third);
    EXPECT_EQ(third->second[4], 3) << "a dropped answer's command still takes effect";

    device.faults().answerDelay = 20ms;
    const TimePoint sent = now;
    const auto delayed = transact(request(0x52, 0x00));
    ASSERT_TRUE(delayed);
    EXPECT_EQ(delayed->first, KeyboardDevice::nextFrame(sent) + 20ms);
}

TEST_F(KeyboardDeviceTest, EnterBootloaderLeavesAndReturnsAsTheBootloader) {
    const TimePoint sent = now;
    device.receive(now, request(0x11, 0x00));
    EXPECT_FALSE(device.attached());
    const auto actions = runUntil(now + 1s);
    ASSERT_EQ(actions.size(), 2u);
    EXPECT_EQ(actions[0].second.kind, Kind::DETACH);
    EXPECT_EQ(actions[1].second.kind, Kind::ATTACH);
    EXPECT_EQ(actions[1].second.productId, BOOT_PRODUCT_ID);
    EXPECT_TRUE(actions[1].second.bootloader);
    EXPECT_EQ(actions[1].first, sent + KeyboardDevice::RESTART_TIME);
}

TEST_F(KeyboardDeviceTest, ResetComesBackAsFirmwareOnlyWithAValidVersionArea) {
    struct Case {
        bool eraseFirst;
        std::uint16_t product;
    };
    for (const Case& c : {Case{false, APP_PRODUCT_ID}, Case{true, BOOT_PRODUCT_ID}}) {
        device.receive(now, request(0x11, 0x00));
        runUntil(now + 1s);
        ASSERT_TRUE(device.inBootloader());
        if (c.eraseFirst) {
            ASSERT_TRUE(transact(requestU32(0x1D, 0x00, 0, 4096)));
        }
        device.receive(now, request(0x11, 0x01));
        const auto actions = runUntil(now + 1s);
        ASSERT_EQ(actions.size(), 2u);
        EXPECT_EQ(actions[1].second.productId, c.product) << "erased first: " << c.eraseFirst;
    }
}

TEST_F(KeyboardDeviceTest, UnplugAfterAnswersThenStaysAwayEvenFromARestart) {
    device.setUnplugAfter(now, 2);
    EXPECT_TRUE(transact(request(0x52, 0x00)));
    device.receive(now, request(0x52, 0x00));
    const auto actions = runUntil(now + 1s);
    ASSERT_EQ(actions.size(), 2u);
    EXPECT_EQ(actions[0].second.kind, Kind::SEND) << "the last answer goes out first";
    EXPECT_EQ(actions[1].second.kind, Kind::DETACH);
    EXPECT_FALSE(device.attached());

    device.plug(now);
    runUntil(now);
    device.setUnplugAfter(now, 1);
    device.receive(now, request(0x11, 0x00));
    const auto restart = runUntil(now + 2s);
    ASSERT_FALSE(restart.empty());
    EXPECT_EQ(restart.back().second.kind, Kind::DETACH) << "came back although unplugged";
    EXPECT_FALSE(device.attached());
}

TEST_F(KeyboardDeviceTest, UnplugAndPlugAreAPowerCycle) {
    ASSERT_TRUE(transact(request(0x51, 0x29, 0, {9}, 0xFF)));
    device.unplug(now);
    EXPECT_EQ(runUntil(now).at(0).second.kind, Kind::DETACH);
    EXPECT_EQ(device.pressProfileKey(now), "the keyboard is unplugged");
    device.receive(now, request(0x52, 0x00));
    EXPECT_TRUE(runUntil(now + 1s).empty()) << "an unplugged keyboard answered";

    device.plug(now);
    const auto attach = runUntil(now);
    ASSERT_EQ(attach.size(), 1u);
    EXPECT_EQ(attach[0].second.productId, APP_PRODUCT_ID);
    const auto list = transact(request(0x52, 0x29));
    ASSERT_TRUE(list);
    EXPECT_NE(list->second[4], 9) << "an uncommitted list survived the power cycle";
}

TEST_F(KeyboardDeviceTest, ProfileKeyEventGoesOutInTheNextFrame) {
    ASSERT_TRUE(transact(request(0x42, 0x00, 0, {1, 0, 0, 1, 1})));
    EXPECT_EQ(device.pressProfileKey(now), "");
    const auto actions = runUntil(now + 10ms);
    ASSERT_EQ(actions.size(), 1u);
    EXPECT_EQ(actions[0].second.report[0], 0x42);
    EXPECT_EQ(actions[0].second.report[7], 2);
}

TEST_F(KeyboardDeviceTest, StateIsSavedAfterChangesButNeverAheadOfAnAnswer) {
    runUntil(now + 1s);
    device.receive(now, request(0x51, 0x00, 0, {2}));
    std::vector<Kind> kinds;
    // The save falls due while the next request's answer is pending.
    now += KeyboardDevice::SAVE_DELAY - 500us;
    runUntil(now);
    device.faults().answerDelay = 5ms;
    device.receive(now, request(0x52, 0x00));
    while (auto due = device.nextDue()) {
        now = *due;
        for (const auto& action : device.takeDue(now)) {
            if (action.kind == Kind::SEND || action.kind == Kind::SAVE) {
                kinds.push_back(action.kind);
            }
        }
    }
    EXPECT_EQ(kinds, (std::vector<Kind>{Kind::SEND, Kind::SAVE}));
    EXPECT_FALSE(device.dirty());
}

class ErasedKeyboardTest : public KeyboardDeviceTest {
protected:
    static KeyboardState erased() {
        KeyboardState s = factoryState(Layout::JP);
        eraseFlash(s.flash, 0);
        return s;
    }
    ErasedKeyboardTest() : KeyboardDeviceTest(erased()) {}
};

TEST_F(ErasedKeyboardTest, PowersUpInTheBootloaderAndAFlashBringsTheFirmwareBack) {
    EXPECT_TRUE(device.attached());
    EXPECT_EQ(device.productId(), BOOT_PRODUCT_ID);

    std::vector<std::uint8_t> image(4000);
    std::iota(image.begin(), image.end(), 7);
    ASSERT_TRUE(transact(requestU32(0x1D, 0x00, 0, FIRMWARE_AREA_SIZE)));
    ASSERT_TRUE(transact(requestU32(0x1E, 0x01, FIRMWARE_START)));
    for (std::size_t offset = 0; offset < image.size(); offset += 56) {
        const std::size_t n = std::min<std::size_t>(56, image.size() - offset);
        Report r = request(0x1F, static_cast<std::uint8_t>(n));
        std::copy_n(image.begin() + offset, n, r.begin() + 4);
        ASSERT_TRUE(transact(r));
    }
    std::uint8_t version[120] = {26, 0, 0, 0, 'V', 0, '2'};
    version[62] = 1;
    version[63] = 3;
    version[64] = 6;
    ASSERT_TRUE(transact(requestU32(0x1E, 0x01, 0)));
    for (std::size_t offset = 0; offset < sizeof version; offset += 56) {
        const std::size_t n = std::min<std::size_t>(56, sizeof version - offset);
        Report r = request(0x1F, static_cast<std::uint8_t>(n));
        std::copy_n(version + offset, n, r.begin() + 4);
        ASSERT_TRUE(transact(r));
    }
    device.receive(now, request(0x11, 0x01));
    const auto back = runUntil(now + 1s);
    ASSERT_EQ(back.size(), 2u);
    EXPECT_EQ(back[1].second.productId, APP_PRODUCT_ID);
    const FirmwareVersion v = readFirmwareVersion(device.state().flash);
    EXPECT_EQ(v.major, 1);
    EXPECT_EQ(v.minor, 3);
    EXPECT_EQ(v.build, 6u);
    EXPECT_EQ(v.text, u"V2");
    EXPECT_TRUE(
        std::equal(image.begin(), image.end(), device.state().flash.begin() + FIRMWARE_START));
}

} // namespace
} // namespace lumetta::kbsim
