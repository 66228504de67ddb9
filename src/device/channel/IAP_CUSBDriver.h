#pragma once

#include "device/channel/CUSBDriver.h"

namespace lumetta {

// The bootloader watch channel: the same channel with the bootloader's product id, tracing every
// report it receives to the debugger output. The configurator sends no commands on it.
class IAP_CUSBDriver : public CUSBDriver {
public:
    explicit IAP_CUSBDriver(const HidlinkApi& api, std::uint32_t index = 1);
    ~IAP_CUSBDriver() override;

    bool Open() override;
    void onInputReport(std::uint16_t deviceId, const std::uint8_t* report,
                       std::uint32_t length) override;
};

} // namespace lumetta
