#pragma once

#include "updater/flash/UpdaterChannel.h"

namespace lumetta::flash {

// The updater's application channel (HID instance 0): finds the keyboard while its firmware
// runs. The running firmware refuses bootloader commands with a report 0xFF 0xAA naming the
// command; this channel takes that as the answer, so such a command fails at once.
class CUSBDriver final : public UpdaterChannel {
public:
    explicit CUSBDriver(const HidlinkApi& api, std::uint32_t index = 0);
    ~CUSBDriver() override;
};

} // namespace lumetta::flash
