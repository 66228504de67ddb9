#include "platform/hid/HidrawDevice.h"
#include "Descriptors.h"
#include "TempRoot.h"
#include "platform/hid/VirtualHidraw.h"

#include <gtest/gtest.h>

#include <atomic>
#include <condition_variable>
#include <mutex>

namespace lumetta::hid::test {
namespace {

using std::chrono::milliseconds;

// Collects what a reader delivers, so the test thread can wait for it.
class Inbox {
public:
    void add(std::span<const std::uint8_t> report) {
        std::lock_guard lock(mutex_);
        reports_.emplace_back(report.begin(), report.end());
        changed_.notify_all();
    }
    void gone() {
        std::lock_guard lock(mutex_);
        gone_ = true;
        changed_.notify_all();
    }
    bool waitForReports(std::size_t count) {
        std::unique_lock lock(mutex_);
        return changed_.wait_for(lock, std::chrono::seconds(3),
                                 [&] { return reports_.size() >= count; });
    }
    bool waitForGone() {
        std::unique_lock lock(mutex_);
        return changed_.wait_for(lock, std::chrono::seconds(3), [&] { return gone_; });
    }
    std::vector<std::vector<std::uint8_t>> reports() {
        std::lock_guard lock(mutex_);
        return reports_;
    }

private:
    std::mutex mutex_;
    std::condition_variable changed_;
    std::vector<std::vector<std::uint8_t>> reports_;
    bool gone_ = false;
};

class HidrawDeviceTest : public ::testing::Test {
protected:
    void SetUp() override {
        VirtualHidrawConfig config;
        config.root = root.path();
        config.node = 0;
        config.reportDescriptor = kVendorCommand;
        config.inputReportLength = 64;
        peer = VirtualHidraw::create(config);
        ASSERT_TRUE(peer);
        device = HidrawDevice::open(peer->devicePath(), ReportLayout{65, 65, false});
        ASSERT_TRUE(device);
        ASSERT_TRUE(
            device->start([this](auto report) { inbox.add(report); }, [this] { inbox.gone(); }));
    }

    static std::vector<std::uint8_t> pattern(std::uint8_t seed, std::size_t length) {
        std::vector<std::uint8_t> bytes(length);
        for (std::size_t i = 0; i < length; ++i) {
            bytes[i] = static_cast<std::uint8_t>(seed + i);
        }
        return bytes;
    }

    TempRoot root;
    std::unique_ptr<VirtualHidraw> peer;
    std::unique_ptr<HidrawDevice> device;
    Inbox inbox;
};

TEST_F(HidrawDeviceTest, DeliversEachInputReportWithTheReportIdInFront) {
    auto first = pattern(1, 64);
    auto second = pattern(0x80, 64);
    std::vector<std::uint8_t> both = first;
    both.insert(both.end(), second.begin(), second.end());
    ASSERT_TRUE(peer->sendInput(both)); // two reports in one go still arrive as two

    ASSERT_TRUE(inbox.waitForReports(2));
    auto reports = inbox.reports();
    ASSERT_EQ(reports[0].size(), 65u);
    EXPECT_EQ(reports[0][0], 0);
    EXPECT_EQ(std::vector<std::uint8_t>(reports[0].begin() + 1, reports[0].end()), first);
    EXPECT_EQ(std::vector<std::uint8_t>(reports[1].begin() + 1, reports[1].end()), second);
}

TEST_F(HidrawDeviceTest, WritesWholeOutputReports) {
    auto report = pattern(0, 65);
    EXPECT_TRUE(device->write(report, milliseconds(500)));
    EXPECT_EQ(peer->receiveOutput(65, milliseconds(1000)), report);
}

TEST_F(HidrawDeviceTest, UnplugEndsTheReaderWithGone) {
    peer->unplug();
    EXPECT_TRUE(inbox.waitForGone());
    EXPECT_FALSE(device->write(pattern(0, 65), milliseconds(100)));
}

TEST_F(HidrawDeviceTest, StopWithAReadPendingReturnsAndNothingArrivesAfter) {
    // The reader is waiting for a report that never comes; stop must still end it.
    ASSERT_TRUE(peer->sendInput(pattern(0, 10)));
    device->stop();
    EXPECT_FALSE(device->running());
    ASSERT_TRUE(peer->sendInput(pattern(0, 54)));
    device.reset(); // closes the node only after the reader is gone
    EXPECT_TRUE(inbox.reports().empty());
}

} // namespace
} // namespace lumetta::hid::test
