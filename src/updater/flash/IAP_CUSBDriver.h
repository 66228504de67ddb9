#pragma once

#include "updater/flash/UpdaterChannel.h"

namespace lumetta::flash {

// The updater's bootloader channel (HID instance 1): finds the keyboard after it restarted into
// its bootloader, and carries the flashing. A rejection report is not an answer here: the
// command fails at its time-out.
class IAP_CUSBDriver final : public UpdaterChannel {
public:
    explicit IAP_CUSBDriver(const HidlinkApi& api, std::uint32_t index = 1);
    ~IAP_CUSBDriver() override;
};

} // namespace lumetta::flash
