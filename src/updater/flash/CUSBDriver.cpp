#include "updater/flash/CUSBDriver.h"

namespace lumetta::flash {

CUSBDriver::CUSBDriver(const HidlinkApi& api, std::uint32_t index)
    : UpdaterChannel(Kind::Application, api, index) {}

CUSBDriver::~CUSBDriver() = default;

} // namespace lumetta::flash
