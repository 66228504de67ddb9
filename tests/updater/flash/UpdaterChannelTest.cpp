// The updater channels over a stand-in HID layer: which reports count as answers on which
// channel, and how arrivals and removals reach the dialog.

#include "device/channel/DeviceMessages.h"
#include "platform/core/EventLoop.h"
#include "platform/core/Window.h"
#include "updater/flash/CUSBDriver.h"
#include "updater/flash/IAP_CUSBDriver.h"
#include "updater/flash/UpdateFlow.h"
#include "updater/flash/UpdaterMessages.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstring>
#include <thread>
#include <variant>
#include <vector>

namespace lumetta::flash::test {
namespace {

using std::chrono::milliseconds;

// The HID layer as the channel sees it: a write may be answered at once through the read
// callback the channel registered, as a reader thread would.
struct StandInLayer {
    HidlinkReadCallback callbacks[HIDLINK_INSTANCES] = {};
    HidlinkFilter filters[HIDLINK_INSTANCES] = {};
    std::vector<std::vector<std::uint8_t>> writes;
    std::function<void(std::uint32_t index)> onWrite;
};

StandInLayer* layer = nullptr;

const HidlinkApi& standInApi() {
    static const HidlinkApi api{
        [](std::uint64_t, std::uint32_t, std::uint32_t) -> std::uint32_t { return 0; },
        [](std::uint32_t) {},
        [](HidlinkFilter* filter, std::uint32_t index) {
            layer->filters[index] = *filter;
            return filter;
        },
        [](HidlinkReadCallback callback, std::uint32_t index) {
            layer->callbacks[index] = callback;
        },
        [](std::uint16_t, const std::uint8_t* data, std::uint32_t length,
           std::uint32_t index) -> std::uint32_t {
            layer->writes.emplace_back(data, data + length);
            if (layer->onWrite) {
                layer->onWrite(index);
            }
            return 1;
        },
        [](std::uint32_t) -> std::uint16_t { return 0x0100; }};
    return api;
}

HidlinkNotice arrival(std::uint16_t id, std::uint16_t usage = 1, std::uint16_t page = 0xFF00) {
    return HidlinkNotice{1, id, 0x04D9, 0x1203, usage, page};
}

HidlinkNotice removal(std::uint16_t id) {
    return HidlinkNotice{0, id, 0x04D9, 0x1203, 1, 0xFF00};
}

void notify(UpdaterChannel& channel, const HidlinkNotice& notice) {
    channel.send(WM_HID_MONITOR, 1, reinterpret_cast<core::LParam>(&notice));
}

void pumpFor(milliseconds span) {
    const auto until = std::chrono::steady_clock::now() + span;
    while (std::chrono::steady_clock::now() < until) {
        if (!core::EventLoop::pumpOne()) {
            std::this_thread::sleep_for(milliseconds(1));
        }
    }
}

class Owner : public core::Window {
public:
    ~Owner() override { destroy(); }
    std::vector<core::LParam> states;

protected:
    core::LResult handleMessage(core::MessageId id, core::WParam, core::LParam lParam) override {
        if (id == WM_CHANNEL_STATE) {
            states.push_back(lParam);
        }
        return 0;
    }
};

class UpdaterChannelTest : public ::testing::Test {
protected:
    UpdaterChannelTest() { layer = &layer_; }
    ~UpdaterChannelTest() override { layer = nullptr; }

    StandInLayer layer_;
};

struct ReceiveCase {
    const char* name;
    bool application;
    std::vector<std::uint8_t> request;
    std::vector<std::uint8_t> answer;
    std::uint16_t from;
    int result;
    bool taken; // the report then holds the answer, else the request as it was
};

TEST_F(UpdaterChannelTest, AnswersRefusalsAndStrayReports) {
    const ReceiveCase cases[] = {
        {"echo", false, {0x12, 0x00}, {0x12, 0x00, 0, 0, 1}, 1, 0, true},
        {"refusal on the application channel",
         true,
         {0x1D, 0x00},
         {0xFF, 0xAA, 0, 0, 0x1D, 0x00},
         1,
         1,
         true},
        {"refusal on the bootloader channel",
         false,
         {0x1D, 0x00},
         {0xFF, 0xAA, 0, 0, 0x1D, 0x00},
         1,
         1,
         false},
        {"refusal of another command",
         true,
         {0x1D, 0x00},
         {0xFF, 0xAA, 0, 0, 0x1E, 0x01},
         1,
         1,
         false},
        {"block write answered 1E 02",
         false,
         {0x1F, 0x38},
         {0x1E, 0x02, 0, 0, 0x38, 0x10},
         1,
         0,
         true},
        {"1E 02 to another command", false, {0x1E, 0x00}, {0x1E, 0x02, 0, 0, 0x38}, 1, 1, false},
        {"echo from another device", false, {0x12, 0x00}, {0x12, 0x00, 0, 0, 1}, 2, 1, false},
        {"echo with another index", true, {0x12, 0x20, 0, 0}, {0x12, 0x20, 1, 0, 5}, 1, 1, false},
    };
    for (const ReceiveCase& c : cases) {
        SCOPED_TRACE(c.name);
        std::unique_ptr<UpdaterChannel> channel;
        if (c.application) {
            channel = std::make_unique<CUSBDriver>(standInApi());
        } else {
            channel = std::make_unique<IAP_CUSBDriver>(standInApi());
        }
        channel->setDebugOutput({});
        channel->SetActive();
        channel->Open(0x04D9, 0x1203);
        notify(*channel, arrival(1));
        ASSERT_TRUE(channel->isConnected());
        layer_.onWrite = [&](std::uint32_t index) {
            std::uint8_t report[65] = {};
            std::copy(c.answer.begin(), c.answer.end(), report + 1);
            layer_.callbacks[index](c.from, report, sizeof report);
        };
        CommandReport report{};
        std::memcpy(&report, c.request.data(), c.request.size());
        const CommandReport sent = report;
        EXPECT_EQ(channel->TransactWithin(report, milliseconds(30)), c.result);
        const auto* bytes = reinterpret_cast<const std::uint8_t*>(&report);
        if (c.taken) {
            EXPECT_TRUE(std::equal(c.answer.begin(), c.answer.end(), bytes));
        } else {
            EXPECT_EQ(std::memcmp(&report, &sent, sizeof report), 0);
        }
        ASSERT_FALSE(layer_.writes.empty());
        EXPECT_EQ(layer_.writes.back().size(), 64u);
    }
}

TEST_F(UpdaterChannelTest, OpenUsesTheGivenIdsAndRemembersThem) {
    IAP_CUSBDriver channel(standInApi());
    channel.setDebugOutput({});
    channel.Open(0x1234, 0x5678);
    EXPECT_EQ(layer_.filters[1].VendorId, 0x1234u);
    EXPECT_EQ(layer_.filters[1].ProductId, 0x5678u);
    EXPECT_EQ(layer_.filters[1].PairCount, 1u);
    EXPECT_EQ(layer_.filters[1].Pairs[0].Usage, 1u);
    EXPECT_EQ(layer_.filters[1].Pairs[0].UsagePage, 0xFF00u);
    channel.Open(0, 0);
    EXPECT_EQ(layer_.filters[1].VendorId, 0x1234u) << "ids 0 and 0 reopen with the last ids";
    EXPECT_EQ(layer_.filters[1].ProductId, 0x5678u);
    channel.Close();
    EXPECT_EQ(layer_.filters[1].PairCount, 0u) << "a closed channel leaves an empty filter";
    EXPECT_EQ(layer_.callbacks[1], nullptr);
}

using Step = std::variant<HidlinkNotice, milliseconds>;

struct PlugCase {
    const char* name;
    std::vector<Step> steps;
    std::vector<core::LParam> states;
    bool connected;
    std::uint16_t deviceId;
};

TEST_F(UpdaterChannelTest, ArrivalsAreReportedOnceSettledAndRemovalsAtOnce) {
    const milliseconds settle(20);
    const milliseconds wait(80);
    const PlugCase cases[] = {
        {"arrival", {arrival(1), wait}, {1}, true, 1},
        {"arrival then removal", {arrival(1), wait, removal(1), wait}, {1, 0}, false, 0},
        {"removed before it settled", {arrival(1), removal(1), wait}, {0}, false, 0},
        {"same interface again", {arrival(1), arrival(2), wait}, {1}, true, 2},
        {"boot keyboard interface first", {arrival(1, 6, 1), arrival(2), wait}, {1}, true, 2},
        {"empty enumeration", {HidlinkNotice{}, wait}, {0}, false, 0},
    };
    for (const PlugCase& c : cases) {
        SCOPED_TRACE(c.name);
        Owner owner;
        IAP_CUSBDriver channel(standInApi());
        channel.setDebugOutput({});
        channel.setOwner(owner.handle());
        channel.setSettleTime(settle);
        for (const Step& step : c.steps) {
            if (const auto* notice = std::get_if<HidlinkNotice>(&step)) {
                notify(channel, *notice);
            } else {
                pumpFor(std::get<milliseconds>(step));
            }
        }
        EXPECT_EQ(owner.states, c.states);
        EXPECT_EQ(channel.isConnected(), c.connected);
        EXPECT_EQ(channel.DeviceId(), c.deviceId);
    }
}

TEST_F(UpdaterChannelTest, EveryReportIsTracedAndPlugEventsToo) {
    std::vector<std::string> lines;
    CUSBDriver channel(standInApi());
    channel.setDebugOutput([&](std::string_view text) { lines.emplace_back(text); });
    channel.SetActive();
    channel.Open(0x04D9, 0x0203);
    notify(channel, arrival(3));
    std::uint8_t report[65] = {0, 0x42, 0x20, 0, 0, 3, 0, 0, 1};
    layer_.callbacks[0](3, report, sizeof report);
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_EQ(lines[0], "MONITOROPEN:dwDeviceID=3,usage:0x1,uagePage:0xff00\n");
    EXPECT_TRUE(lines[1].starts_with("ID:3,pBuffer=")) << lines[1];
    EXPECT_TRUE(lines[1].ends_with(" , Length=41\n")) << lines[1];
    EXPECT_EQ(lines[2], "00 42 20 00 00 03 00 00 01\n");
}

// Counts the channel reports it hands to the flow.
class CountingDialog : public core::Window, public UpdaterView {
public:
    ~CountingDialog() override {
        flow.reset();
        destroy();
    }
    void setControls(bool, bool) override { ++controls; }
    void setProgress(int) override {}
    void setKeyboardVersionText(const std::u16string&) override {}
    void setImageName(const std::u16string&) override {}
    void showRefused() override { ++refused; }
    void show(const UserMessage&) override { ++messages; }

    std::unique_ptr<UpdateFlow> flow;
    int channelStates = 0;
    int controls = 0;
    int refused = 0;
    int messages = 0;

protected:
    core::LResult handleMessage(core::MessageId id, core::WParam wParam,
                                core::LParam lParam) override {
        channelStates += id == WM_CHANNEL_STATE ? 1 : 0;
        if (flow) {
            flow->handleMessage(id, wParam, lParam);
        }
        return 0;
    }
};

using UpdateFlowWithStandInLayer = UpdaterChannelTest;

TEST_F(UpdateFlowWithStandInLayer, BothChannelsReadyIsWaitedOutAFewTimesWithoutStartingAnything) {
    FirmwarePackage package;
    CountingDialog dialog;
    FlashTiming timing;
    timing.sleep = [](milliseconds) {};
    timing.settle = milliseconds(10);
    dialog.flow =
        std::make_unique<UpdateFlow>(standInApi(), package, dialog, dialog.handle(), timing);
    dialog.flow->setDebugOutput({});
    dialog.flow->state().AutoStart = true;
    EXPECT_FALSE(dialog.flow->open());
    notify(dialog.flow->applicationChannel(), arrival(1));
    notify(dialog.flow->bootloaderChannel(), arrival(1));
    pumpFor(milliseconds(150));
    EXPECT_EQ(dialog.channelStates, 2 + RETRY_COUNT) << "each channel once, then the reposts";
    EXPECT_TRUE(layer_.writes.empty()) << "nothing is sent while both report a keyboard";
    EXPECT_EQ(dialog.controls + dialog.refused + dialog.messages, 0);
    EXPECT_TRUE(dialog.flow->state().AutoStart);

    // Once the application channel lets go, the keyboard is read on the bootloader channel;
    // a keyboard that no image fits is not flashed, even with AutoStart.
    layer_.onWrite = [&](std::uint32_t index) {
        std::uint8_t report[65] = {};
        std::copy(layer_.writes.back().begin(), layer_.writes.back().begin() + 4, report + 1);
        layer_.callbacks[index](1, report, sizeof report);
    };
    notify(dialog.flow->applicationChannel(), removal(1));
    core::postMessage(dialog.handle(), WM_CHANNEL_STATE, 0, 1);
    pumpFor(milliseconds(50));
    ASSERT_FALSE(layer_.writes.empty());
    EXPECT_EQ(layer_.writes.front()[0], 0x12) << "the firmware information comes first";
    EXPECT_EQ(dialog.flow->state().SelectedImage, SELECT_LAYOUT_ERROR);
    EXPECT_EQ(dialog.messages, 1);
    EXPECT_FALSE(dialog.flow->flashing());
    for (const auto& write : layer_.writes) {
        EXPECT_EQ(write[0], 0x12) << "only information was asked for";
    }
}

} // namespace
} // namespace lumetta::flash::test
