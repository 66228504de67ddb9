#include "updater/flash/IAP_CUSBDriver.h"

namespace lumetta::flash {

IAP_CUSBDriver::IAP_CUSBDriver(const HidlinkApi& api, std::uint32_t index)
    : UpdaterChannel(Kind::Bootloader, api, index) {}

IAP_CUSBDriver::~IAP_CUSBDriver() = default;

} // namespace lumetta::flash
