#pragma once

#include "platform/core/Clock.h"
#include "platform/hid/UniqueFd.h"

#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace lumetta::hid {

struct VirtualHidrawConfig {
    std::filesystem::path root; // gets sys/ and dev/ below it
    unsigned node = 0;          // the N of hidrawN
    std::uint16_t bus = 0x0003;
    std::uint16_t vendorId = 0;
    std::uint16_t productId = 0;
    std::uint16_t bcdDevice = 0;
    std::vector<std::uint8_t> reportDescriptor;
    std::size_t inputReportLength = 0; // bytes the peer writes per input report
    std::string name = "Virtual HID device";
    std::string usbPort; // USB device folder name; empty: one per node
    unsigned interfaceNumber = 0;
};

// A HID device that exists only as files: sysfs folders under <root>/sys laid out as Linux lays
// them out, and <root>/dev/hidrawN as a symbolic link to the slave of a pseudo-terminal in raw
// mode. The owner plays the device through the master: it reads what the host writes (report id
// first, then the report) and writes input reports of exactly inputReportLength bytes.
class VirtualHidraw {
public:
    // Returns nothing and sets error when any step fails (nothing is left behind then).
    static std::unique_ptr<VirtualHidraw> create(const VirtualHidrawConfig& config,
                                                 std::string* error = nullptr);
    ~VirtualHidraw();
    VirtualHidraw(const VirtualHidraw&) = delete;
    VirtualHidraw& operator=(const VirtualHidraw&) = delete;

    const VirtualHidrawConfig& config() const { return config_; }
    int masterFd() const { return master_.get(); }
    std::filesystem::path devicePath() const;
    std::filesystem::path sysfsDevicePath() const { return hidDevice_; }
    bool plugged() const { return plugged_; }

    // Removes the device node first (as the kernel does), then its sysfs folders, then hangs up
    // the terminal so a pending read on the host side fails.
    void unplug();

    // Writes one input report to the host.
    bool sendInput(std::span<const std::uint8_t> report);
    // Reads exactly length bytes the host wrote, waiting at most the timeout.
    std::optional<std::vector<std::uint8_t>> receiveOutput(std::size_t length,
                                                           core::Duration timeout);

private:
    explicit VirtualHidraw(VirtualHidrawConfig config);
    bool materialise(std::string& error);

    VirtualHidrawConfig config_;
    UniqueFd master_;
    UniqueFd slaveHold_; // keeps the terminal up while the host has it closed
    std::filesystem::path usbDevice_;
    std::filesystem::path usbInterface_;
    std::filesystem::path hidDevice_;
    std::filesystem::path classEntry_;
    bool plugged_ = false;
};

} // namespace lumetta::hid
