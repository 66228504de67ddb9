#include "device/channel/IAP_CUSBDriver.h"

#include "device/channel/TextFormat.h"

#include <cstdint>

namespace lumetta {

IAP_CUSBDriver::IAP_CUSBDriver(const HidlinkApi& api, std::uint32_t index)
    : CUSBDriver(api, index) {}

IAP_CUSBDriver::~IAP_CUSBDriver() {
    shutdown();
}

bool IAP_CUSBDriver::Open() {
    return openWithProduct(BOOTLOADER_PRODUCT_ID);
}

void IAP_CUSBDriver::onInputReport(std::uint16_t deviceId, const std::uint8_t* report,
                                   std::uint32_t length) {
    // The trace shows the buffer's address as a 32-bit value, as it always has.
    const auto address = static_cast<unsigned>(reinterpret_cast<std::uintptr_t>(report));
    debugOutput(formatText("ID:%x,pBuffer=%x , Length=%x\n", deviceId, address, length));
    std::uint8_t head[9] = {};
    for (std::uint32_t i = 0; report && i < length && i < 9; ++i) {
        head[i] = report[i];
    }
    debugOutput(formatText("%02x %02x %02x %02x %02x %02x %02x %02x %02x\n", head[0], head[1],
                           head[2], head[3], head[4], head[5], head[6], head[7], head[8]));
    CUSBDriver::onInputReport(deviceId, report, length);
}

} // namespace lumetta
