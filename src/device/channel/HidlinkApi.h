#pragma once

#include "device/hidlink/Hidlink.h"

namespace lumetta {

// The HID device layer's six operations as a table, so that the channels work the same whether
// the layer is loaded as a shared library or linked in.
struct HidlinkApi {
    decltype(&::HidlinkOpen) Open = nullptr;
    decltype(&::HidlinkClose) Close = nullptr;
    decltype(&::HidlinkSetFilter) SetFilter = nullptr;
    decltype(&::HidlinkSetReadCallback) SetReadCallback = nullptr;
    decltype(&::HidlinkWrite) Write = nullptr;
    decltype(&::HidlinkGetVersion) GetVersion = nullptr;

    bool complete() const {
        return Open && Close && SetFilter && SetReadCallback && Write && GetVersion;
    }
};

// The layer linked into the program (library lumetta_device_linked).
const HidlinkApi& linkedHidlinkApi();

} // namespace lumetta
