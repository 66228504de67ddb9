// Arbitrary input reports to the command channel's receive routine, through the read callback
// the HID layer calls, with transactions in between so that reports meet a waiting request.
// In process: the layer is a stand-in whose write answers at once, so nothing waits.
//
// Input: records of [operation][length][bytes]. Operation 0 delivers the bytes as an input
// report of that length to the command channel, 1 to the bootloader channel; 2 runs a
// transaction whose request is the bytes and whose answer echoes it with the next record's bytes
// as data; 3 re-opens the channel, 4 sends it a removal notice.
#include "device/channel/CUSBDriver.h"
#include "device/channel/DeviceMessages.h"
#include "device/channel/IAP_CUSBDriver.h"
#include "platform/core/EventLoop.h"

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

namespace {

using namespace lumetta;

struct Layer {
    HidlinkReadCallback callbacks[HIDLINK_INSTANCES] = {};
    std::vector<std::uint8_t> nextAnswer;
    std::uint64_t clients[HIDLINK_INSTANCES] = {};
};

Layer& layer() {
    static Layer instance;
    return instance;
}

HidlinkApi fakeApi() {
    HidlinkApi api;
    api.Open = [](std::uint64_t window, std::uint32_t message, std::uint32_t index) {
        layer().clients[index] = window;
        HidlinkNotice notice{1, 1, 0x04D9, 0x0203, 1, 0xFF00};
        lumetta::core::sendMessage(lumetta::core::WindowHandle(window), message, 1,
                                   reinterpret_cast<lumetta::core::LParam>(&notice));
        return 2u;
    };
    api.Close = [](std::uint32_t) {};
    api.SetFilter = [](HidlinkFilter* filter, std::uint32_t) { return filter; };
    api.SetReadCallback = [](HidlinkReadCallback callback, std::uint32_t index) {
        layer().callbacks[index] = callback;
    };
    api.Write = [](std::uint16_t, const std::uint8_t* data, std::uint32_t length,
                   std::uint32_t index) -> std::uint32_t {
        // The answer: the request's first four bytes, then the fuzzer's data.
        std::vector<std::uint8_t> report(65, 0);
        std::memcpy(report.data() + 1, data, std::min<std::uint32_t>(length, 64));
        const auto& data60 = layer().nextAnswer;
        std::memcpy(report.data() + 5, data60.data(), std::min<std::size_t>(data60.size(), 60));
        layer().callbacks[index](1, report.data(), 65);
        return 1;
    };
    api.GetVersion = [](std::uint32_t) -> std::uint16_t { return 0x0100; };
    return api;
}

// A channel whose pauses cost nothing.
template <class Channel> class QuickChannel : public Channel {
public:
    using Channel::Channel;
    void busyWait(std::chrono::microseconds) override {}
    void sleep(std::chrono::milliseconds) override {}
};

class Owner : public core::Window {
public:
    ~Owner() override { destroy(); }
    std::size_t messages = 0;

protected:
    core::LResult handleMessage(core::MessageId, core::WParam, core::LParam) override {
        ++messages;
        return 0;
    }
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    Owner owner;
    QuickChannel<CUSBDriver> command(fakeApi(), 0);
    QuickChannel<IAP_CUSBDriver> bootloader(fakeApi(), 1);
    for (CUSBDriver* channel :
         {static_cast<CUSBDriver*>(&command), static_cast<CUSBDriver*>(&bootloader)}) {
        channel->setOwner(owner.handle());
        channel->setDebugOutput([](std::string_view) {});
        channel->Open();
    }

    std::size_t offset = 0;
    while (offset + 2 <= size) {
        const std::uint8_t operation = data[offset] % 5;
        const std::size_t length = std::min<std::size_t>(data[offset + 1], size - offset - 2);
        const std::uint8_t* bytes = data + offset + 2;
        offset += 2 + length;
        switch (operation) {
        case 0:
        case 1: {
            std::vector<std::uint8_t> report(bytes, bytes + length);
            layer().callbacks[operation](1, report.data(),
                                         static_cast<std::uint32_t>(report.size()));
            break;
        }
        case 2: {
            CommandReport request{};
            std::memcpy(&request, bytes, std::min(length, sizeof request));
            layer().nextAnswer.assign(data + offset, data + std::min(size, offset + 60));
            // Without a keyboard a transaction only waits out its time-out.
            if (command.isConnected()) {
                command.Transact(request);
            }
            break;
        }
        case 3:
            command.Open();
            break;
        default: {
            HidlinkNotice notice{0, static_cast<std::uint16_t>(length), 0x04D9, 0x0203, 1, 0xFF00};
            core::sendMessage(command.handle(), WM_HID_MONITOR, 1,
                              reinterpret_cast<core::LParam>(&notice));
            break;
        }
        }
        while (core::EventLoop::pumpOne()) {
        }
    }
    return 0;
}
