#include "device/channel/CUSBDriver.h"
#include "device/channel/DeviceMessages.h"
#include "device/channel/IAP_CUSBDriver.h"
#include "device/channel/LayoutType.h"

#include "FakeHidLayer.h"

#include <gtest/gtest.h>

#include <cstring>
#include <regex>
#include <string>
#include <vector>

namespace lumetta {
namespace {

using testing::arrival;
using testing::FakeHidLayer;
using testing::RecordingWindow;
using testing::removal;
using Received = RecordingWindow::Received;

class ChannelTest : public ::testing::Test {
protected:
    void SetUp() override {
        channel = std::make_unique<CUSBDriver>(layer.api(), 0);
        channel->setOwner(owner.handle());
        channel->setDebugOutput([this](std::string_view text) { debug.emplace_back(text); });
    }
    void TearDown() override { channel.reset(); }

    void openWithOneKeyboard() {
        layer.noticesAtOpen = {arrival(1)};
        layer.openResult = 2;
        ASSERT_TRUE(channel->Open());
        owner.drain();
        owner.received.clear();
    }

    // The keyboard answers every write at once with `answer(request)`.
    void answerWith(std::function<CommandReport(const CommandReport&)> answer) {
        layer.write = [this, answer](std::uint16_t, const std::uint8_t* data, std::uint32_t) {
            CommandReport request;
            std::memcpy(&request, data, sizeof request);
            const CommandReport reply = answer(request);
            layer.deliver(reinterpret_cast<const std::uint8_t*>(&reply), sizeof reply);
            return 1u;
        };
    }

    FakeHidLayer layer;
    RecordingWindow owner;
    std::unique_ptr<CUSBDriver> channel;
    std::vector<std::string> debug;
};

TEST_F(ChannelTest, OpenSetsTheFilterAndReportsAKeyboardAlreadyPresent) {
    layer.noticesAtOpen = {arrival(1)};
    layer.openResult = 2;
    EXPECT_TRUE(channel->Open());
    EXPECT_EQ(layer.filter.VendorId, 0x04D9u);
    EXPECT_EQ(layer.filter.ProductId, 0x0203u);
    EXPECT_EQ(layer.filter.PairCount, 1u);
    EXPECT_EQ(layer.filter.Pairs[0].Usage, 1u);
    EXPECT_EQ(layer.filter.Pairs[0].UsagePage, 0xFF00u);
    EXPECT_EQ(channel->Connected(), 2);
    ASSERT_EQ(channel->devices().size(), 1u);
    EXPECT_EQ(owner.drain(), (std::vector<Received>{{WM_DEVICE_PLUG, 0, 1}}));
    EXPECT_EQ(debug,
              std::vector<std::string>{"MONITOROPEN:dwDeviceID=1,usage:0x1,uagePage:0xff00\n"});
}

TEST_F(ChannelTest, OpenWithoutKeyboardReportsItGone) {
    layer.noticesAtOpen = {HidlinkNotice{}};
    layer.openResult = 0;
    EXPECT_FALSE(channel->Open());
    EXPECT_EQ(channel->Connected(), 0);
    EXPECT_EQ(owner.drain(), (std::vector<Received>{{WM_DEVICE_PLUG, 0, 0}}));
    EXPECT_EQ(debug,
              std::vector<std::string>{"MONITORCLOSE:dwDeviceID=0,usage:0x0,uagePage:0x0\n"});
}

TEST_F(ChannelTest, OnlyTheLastKeyboardLeavingDisconnects) {
    layer.noticesAtOpen = {arrival(1), arrival(2)};
    layer.openResult = 3;
    ASSERT_TRUE(channel->Open());
    owner.drain();
    owner.received.clear();

    layer.notify(removal(1));
    EXPECT_TRUE(owner.drain().empty());
    EXPECT_NE(channel->Connected(), 0);
    layer.notify(removal(2));
    EXPECT_EQ(owner.drain(), (std::vector<Received>{{WM_DEVICE_PLUG, 0, 0}}));
    EXPECT_EQ(channel->Connected(), 0);
    EXPECT_TRUE(channel->devices().empty());
}

TEST_F(ChannelTest, ReopeningClosesTheInstanceAndForgetsItsDevices) {
    openWithOneKeyboard();
    layer.noticesAtOpen = {arrival(1)};
    ASSERT_TRUE(channel->Open());
    EXPECT_EQ(layer.closes, 1);
    EXPECT_EQ(channel->devices().size(), 1u);
}

TEST_F(ChannelTest, KeyboardEventsBecomeMessagesAndEverythingElseIsDropped) {
    openWithOneKeyboard();
    const struct {
        const char* name;
        std::vector<int> bytes;
        std::vector<Received> expected;
    } rows[] = {
        {"profile key", {0x42, 0x20, 0, 0, 3, 0, 0, 2}, {{WM_DEVICE_EVENT, 3, 2}}},
        {"index 0 with bytes 4, 7, 8 zero", {0x42, 0x20, 0, 0, 0, 9, 9, 0, 0}, {}},
        {"index 0, byte 8 set", {0x42, 0x20, 0, 0, 0, 0, 0, 0, 1}, {{WM_DEVICE_EVENT, 0, 2}}},
        {"lighting key", {0x42, 0x20, 0x40, 0, 7}, {{WM_DEVICE_EVENT, 0, 2}}},
        {"other index", {0x42, 0x20, 0x41, 0, 3}, {}},
        {"other sub-command", {0x42, 0x21, 0, 0, 3}, {}},
        {"refusal", {0xFF, 0xAA, 0, 0, 0x10, 0x00}, {}},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        std::uint8_t payload[64] = {};
        for (std::size_t i = 0; i < row.bytes.size(); ++i) {
            payload[i] = static_cast<std::uint8_t>(row.bytes[i]);
        }
        owner.received.clear();
        layer.deliver(payload, sizeof payload);
        EXPECT_EQ(owner.drain(), row.expected);
    }

    // Only whole 65-byte reports count.
    const std::uint8_t event[64] = {0x42, 0x20, 0, 0, 3};
    owner.received.clear();
    layer.deliver(event, 63);
    EXPECT_TRUE(owner.drain().empty());
}

TEST_F(ChannelTest, TransactWritesToTheFirstCommandInterfaceAndTakesTheEcho) {
    layer.noticesAtOpen = {arrival(1, 0x0001), arrival(2)};
    layer.openResult = 3;
    ASSERT_TRUE(channel->Open());
    std::vector<std::string> log;
    channel->setLog([&](std::string_view text) { log.emplace_back(text); });
    answerWith([](const CommandReport& request) {
        CommandReport answer = request;
        answer.Data[0] = 0x5A;
        return answer;
    });

    CommandReport report = makeRequest(0x40, 0x63);
    EXPECT_EQ(channel->Transact(report), 0);
    EXPECT_EQ(report.Data[0], 0x5A);
    EXPECT_EQ(layer.writtenTo, std::vector<std::uint16_t>{2});
    EXPECT_EQ(log, (std::vector<std::string>{"SetData Out: cmd:40, Key:63, Index:0, Data:0",
                                             "SetData In: cmd:40, Key:63, Index:0, Data:5a"}));
}

TEST_F(ChannelTest, AnAnswerForAnotherIndexIsNotTheAnswer) {
    openWithOneKeyboard();
    std::vector<std::string> log;
    channel->setLog([&](std::string_view text) { log.emplace_back(text); });
    answerWith([](const CommandReport& request) {
        CommandReport answer = request;
        answer.Index = static_cast<std::uint16_t>(request.Index + 1);
        answer.Data[0] = 0x77;
        return answer;
    });
    CommandReport report = makeRequest(0x52, 0x01, 3);
    const CommandReport sent = report;
    EXPECT_EQ(channel->Transact(report), 1);
    EXPECT_EQ(std::memcmp(&report, &sent, sizeof report), 0);
    EXPECT_EQ(log.back(), "SetData Error ...Error ");
}

TEST_F(ChannelTest, ARefusedWriteFailsEvenWhenAnAnswerComes) {
    openWithOneKeyboard();
    layer.write = [this](std::uint16_t, const std::uint8_t* data, std::uint32_t) {
        layer.deliver(data, 64);
        return 0u;
    };
    CommandReport report = makeRequest(0x40, 0x20);
    EXPECT_EQ(channel->Transact(report), 1);
}

TEST_F(ChannelTest, WithoutKeyboardTransactWritesNothing) {
    layer.noticesAtOpen = {HidlinkNotice{}};
    channel->Open();
    CommandReport report = makeRequest(0x40, 0x63);
    EXPECT_EQ(channel->Transact(report), 1);
    EXPECT_TRUE(layer.writtenTo.empty());
}

TEST_F(ChannelTest, OpeningIsLoggedWhileThePlugLinesAlwaysGoToTheDebuggerOutput) {
    layer.noticesAtOpen = {arrival(1)};
    layer.openResult = 2;
    channel->Open();
    std::vector<std::string> log;
    channel->setLog([&](std::string_view text) { log.emplace_back(text); });
    channel->Open();
    EXPECT_EQ(log, std::vector<std::string>{"Open USB Driver"});
    EXPECT_EQ(
        std::count_if(debug.begin(), debug.end(),
                      [](const std::string& line) { return line.starts_with("MONITOROPEN"); }),
        2);
}

TEST(BootloaderChannel, FiltersTheBootloaderAndTracesEveryReport) {
    FakeHidLayer layer;
    RecordingWindow owner;
    std::vector<std::string> debug;
    std::vector<std::string> log;
    IAP_CUSBDriver channel(layer.api());
    channel.setOwner(owner.handle());
    channel.setDebugOutput([&](std::string_view text) { debug.emplace_back(text); });
    channel.setLog([&](std::string_view text) { log.emplace_back(text); });
    layer.noticesAtOpen = {HidlinkNotice{1, 1, 0x04D9, 0x1203, 1, 0xFF00}};
    layer.openResult = 2;
    EXPECT_TRUE(channel.Open());
    EXPECT_EQ(layer.filter.ProductId, 0x1203u);
    EXPECT_TRUE(log.empty());
    EXPECT_EQ(owner.drain(), (std::vector<Received>{{WM_DEVICE_PLUG, 1, 1}}));

    debug.clear();
    const std::uint8_t event[64] = {0x42, 0x20, 0, 0, 3, 0, 0, 1};
    layer.deliver(event, sizeof event);
    ASSERT_EQ(debug.size(), 2u);
    EXPECT_TRUE(std::regex_match(debug[0], std::regex("ID:1,pBuffer=[0-9a-f]+ , Length=41\n")))
        << debug[0];
    EXPECT_EQ(debug[1], "00 42 20 00 00 03 00 00 01\n");
    EXPECT_EQ(owner.drain().back(), (Received{WM_DEVICE_EVENT, 3, 2}));
}

TEST(LayoutType, ComesFromBitsEightToElevenOrTwelveToFifteen) {
    const struct {
        std::uint16_t version;
        int type;
    } rows[] = {{0x0100, 1}, {0x0201, 2}, {0x0300, 3}, {0x0FFF, 15}, {0x1000, 1}, {0x2300, 2}};
    for (const auto& row : rows) {
        EXPECT_EQ(layoutTypeOf(row.version), row.type) << std::hex << row.version;
    }
}

} // namespace
} // namespace lumetta
