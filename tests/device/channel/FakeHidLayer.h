#pragma once

#include "device/channel/HidlinkApi.h"
#include "platform/core/EventLoop.h"
#include "platform/core/Window.h"

#include <functional>
#include <string>
#include <vector>

namespace lumetta::testing {

// A stand-in for the HID device layer: Open sends the notices the test lines up, writes go to a
// function, and the read callback the channel registers is kept so the test can feed reports.
struct FakeHidLayer {
    std::vector<HidlinkNotice> noticesAtOpen;
    std::uint32_t openResult = 0;
    std::function<std::uint32_t(std::uint16_t, const std::uint8_t*, std::uint32_t)> write;
    HidlinkReadCallback callback = nullptr;
    HidlinkFilter filter{};
    std::uint64_t client = 0;
    std::uint32_t message = 0;
    int opens = 0;
    int closes = 0;
    std::vector<std::uint16_t> writtenTo;

    static FakeHidLayer*& current() {
        static FakeHidLayer* layer = nullptr;
        return layer;
    }

    HidlinkApi api() {
        current() = this;
        HidlinkApi table;
        table.Open = [](std::uint64_t window, std::uint32_t msg, std::uint32_t) -> std::uint32_t {
            FakeHidLayer& self = *current();
            ++self.opens;
            self.client = window;
            self.message = msg;
            for (HidlinkNotice notice : self.noticesAtOpen) {
                core::sendMessage(core::WindowHandle(window), msg, 1,
                                  reinterpret_cast<core::LParam>(&notice));
            }
            return self.openResult;
        };
        table.Close = [](std::uint32_t) { ++current()->closes; };
        table.SetFilter = [](HidlinkFilter* filter, std::uint32_t) {
            current()->filter = *filter;
            return filter;
        };
        table.SetReadCallback = [](HidlinkReadCallback callback, std::uint32_t) {
            current()->callback = callback;
        };
        table.Write = [](std::uint16_t id, const std::uint8_t* data, std::uint32_t length,
                         std::uint32_t) -> std::uint32_t {
            FakeHidLayer& self = *current();
            self.writtenTo.push_back(id);
            return self.write ? self.write(id, data, length) : 1;
        };
        table.GetVersion = [](std::uint32_t) -> std::uint16_t { return 0x0100; };
        return table;
    }

    // Delivers an input report as the layer's reader thread would (report id 0 in front).
    void deliver(const std::uint8_t* payload, std::uint32_t payloadLength) const {
        std::vector<std::uint8_t> report(1 + payloadLength, 0);
        std::copy(payload, payload + payloadLength, report.begin() + 1);
        callback(1, report.data(), static_cast<std::uint32_t>(report.size()));
    }

    // Sends a notice to the channel window as the monitor thread would.
    void notify(HidlinkNotice notice) const {
        core::sendMessage(core::WindowHandle(client), message, 1,
                          reinterpret_cast<core::LParam>(&notice));
    }
};

inline HidlinkNotice arrival(std::uint16_t id, std::uint16_t usagePage = 0xFF00) {
    return HidlinkNotice{1, id, 0x04D9, 0x0203, 1, usagePage};
}

inline HidlinkNotice removal(std::uint16_t id, std::uint16_t usagePage = 0xFF00) {
    return HidlinkNotice{0, id, 0x04D9, 0x0203, 1, usagePage};
}

// Keeps every message it receives.
class RecordingWindow : public core::Window {
public:
    struct Received {
        core::MessageId id;
        core::WParam wParam;
        core::LParam lParam;
        bool operator==(const Received&) const = default;
    };
    ~RecordingWindow() override { destroy(); }
    std::vector<Received> received;

    // Handles whatever is pending for this thread, then returns what arrived.
    const std::vector<Received>& drain() {
        while (core::EventLoop::pumpOne()) {
        }
        return received;
    }
    std::size_t count(core::MessageId id) const {
        std::size_t n = 0;
        for (const Received& r : received) {
            n += r.id == id;
        }
        return n;
    }

protected:
    core::LResult handleMessage(core::MessageId id, core::WParam wParam,
                                core::LParam lParam) override {
        received.push_back({id, wParam, lParam});
        return 0;
    }
};

} // namespace lumetta::testing
