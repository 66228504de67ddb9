#pragma once

#include "device/hidlink/Hidlink.h"
#include "platform/core/EventLoop.h"
#include "platform/core/Window.h"
#include "platform/hid/VirtualHidraw.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

// The notice is a C record in the global namespace; its comparisons live there too.
inline bool operator==(const HidlinkNotice& a, const HidlinkNotice& b) {
    return a.Arrived == b.Arrived && a.DeviceId == b.DeviceId && a.VendorId == b.VendorId &&
           a.ProductId == b.ProductId && a.Usage == b.Usage && a.UsagePage == b.UsagePage;
}

inline std::ostream& operator<<(std::ostream& out, const HidlinkNotice& n) {
    return out << "{arrived " << n.Arrived << ", id " << n.DeviceId << ", " << std::hex
               << n.VendorId << ":" << n.ProductId << ", usage " << n.Usage << "/" << n.UsagePage
               << std::dec << "}";
}

namespace lumetta::hidlink::test {

inline constexpr core::MessageId kNoticeMessage = 1282;
inline constexpr std::uint16_t kVendor = 0x04D9;
inline constexpr std::uint16_t kProduct = 0x0203;

// 64-byte reports both ways on usage page 0xFF00, usage 1.
inline const std::vector<std::uint8_t> kCommandInterface = {
    0x06, 0x00, 0xFF, 0x09, 0x01, 0xA1, 0x01, 0x09, 0x02, 0x15, 0x00, 0x26,
    0xFF, 0x00, 0x75, 0x08, 0x95, 0x40, 0x81, 0x02, 0x09, 0x03, 0x15, 0x00,
    0x26, 0xFF, 0x00, 0x75, 0x08, 0x95, 0x40, 0x91, 0x02, 0xC0};
// The same on usage 2: right page, other usage.
inline const std::vector<std::uint8_t> kOtherUsage = {
    0x06, 0x00, 0xFF, 0x09, 0x02, 0xA1, 0x01, 0x09, 0x02, 0x15, 0x00, 0x26,
    0xFF, 0x00, 0x75, 0x08, 0x95, 0x40, 0x81, 0x02, 0x09, 0x03, 0x15, 0x00,
    0x26, 0xFF, 0x00, 0x75, 0x08, 0x95, 0x40, 0x91, 0x02, 0xC0};
// A boot keyboard: generic desktop page, usage 6, 8-byte input reports.
inline const std::vector<std::uint8_t> kBootKeyboard = {
    0x05, 0x01, 0x09, 0x06, 0xA1, 0x01, 0x05, 0x07, 0x19, 0xE0, 0x29, 0xE7, 0x15, 0x00, 0x25, 0x01,
    0x75, 0x01, 0x95, 0x08, 0x81, 0x02, 0x95, 0x01, 0x75, 0x08, 0x81, 0x01, 0x95, 0x05, 0x75, 0x01,
    0x05, 0x08, 0x19, 0x01, 0x29, 0x05, 0x91, 0x02, 0x95, 0x01, 0x75, 0x03, 0x91, 0x01, 0x95, 0x06,
    0x75, 0x08, 0x15, 0x00, 0x25, 0x65, 0x05, 0x07, 0x19, 0x00, 0x29, 0x65, 0x81, 0x00, 0xC0};

inline HidlinkFilter commandFilter() {
    HidlinkFilter filter{};
    filter.VendorId = kVendor;
    filter.ProductId = kProduct;
    filter.PairCount = 1;
    filter.Pairs[0] = {1, 0xFF00};
    return filter;
}

inline HidlinkNotice arrival(std::uint16_t id) {
    return HidlinkNotice{1, id, kVendor, kProduct, 1, 0xFF00};
}
inline HidlinkNotice removal(std::uint16_t id) {
    return HidlinkNotice{0, id, kVendor, kProduct, 1, 0xFF00};
}

// The client window: copies every notice, as a channel must before returning.
class NoticeWindow : public core::Window {
public:
    ~NoticeWindow() override { destroy(); }
    std::vector<HidlinkNotice> notices;
    std::thread::id lastThread;

protected:
    core::LResult handleMessage(core::MessageId id, core::WParam wParam,
                                core::LParam lParam) override {
        if (id == kNoticeMessage && wParam == 1) {
            notices.push_back(*reinterpret_cast<const HidlinkNotice*>(lParam));
            lastThread = std::this_thread::get_id();
        }
        return 0;
    }
};

// Collects input reports from reader threads.
class ReportLog {
public:
    void add(std::uint16_t id, const std::uint8_t* report, std::uint32_t length) {
        std::lock_guard lock(mutex_);
        entries_.push_back({id, std::vector<std::uint8_t>(report, report + length)});
    }
    std::vector<std::pair<std::uint16_t, std::vector<std::uint8_t>>> entries() const {
        std::lock_guard lock(mutex_);
        return entries_;
    }

private:
    mutable std::mutex mutex_;
    std::vector<std::pair<std::uint16_t, std::vector<std::uint8_t>>> entries_;
};

// Runs the thread's messages until the condition holds or a few seconds passed.
inline bool pumpUntil(const std::function<bool()>& done,
                      std::chrono::milliseconds limit = std::chrono::seconds(5)) {
    auto deadline = std::chrono::steady_clock::now() + limit;
    while (!done()) {
        if (std::chrono::steady_clock::now() > deadline) {
            return false;
        }
        if (!core::EventLoop::pumpOne()) {
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
    }
    return true;
}

inline std::unique_ptr<hid::VirtualHidraw> makeDevice(const std::filesystem::path& root,
                                                      unsigned node,
                                                      const std::vector<std::uint8_t>& descriptor,
                                                      std::uint16_t product = kProduct,
                                                      std::uint16_t bcd = 0x0105) {
    hid::VirtualHidrawConfig config;
    config.root = root;
    config.node = node;
    config.vendorId = kVendor;
    config.productId = product;
    config.bcdDevice = bcd;
    config.reportDescriptor = descriptor;
    config.inputReportLength = descriptor == kBootKeyboard ? 8 : 64;
    std::string error;
    auto device = hid::VirtualHidraw::create(config, &error);
    EXPECT_TRUE(device) << error;
    return device;
}

inline std::vector<std::uint8_t> pattern(std::uint8_t seed, std::size_t length) {
    std::vector<std::uint8_t> bytes(length);
    for (std::size_t i = 0; i < length; ++i) {
        bytes[i] = static_cast<std::uint8_t>(seed + i * 3);
    }
    return bytes;
}

} // namespace lumetta::hidlink::test
