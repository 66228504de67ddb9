#pragma once

#include "device/channel/CommandCatalogue.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <string>

namespace lumetta::ctl {

// What the keyboard says about its firmware, read as the about page reads it.
struct FirmwareDescription {
    std::string model;
    std::uint16_t layoutId = 0;
    std::u16string versionText;
    // From the application record: byte 2 major, byte 3 minor, the u32 at 4 the build.
    std::optional<std::string> applicationVersion;
};

// Firmware information, version record 0, the record index and the application record, each
// step tried up to `tries` times with a 500 ms sleep after a failed try. Empty when a step
// failed every time, or when `stop` says so between tries.
std::optional<FirmwareDescription> readFirmwareDescription(CommandCatalogue& channel,
                                                           int tries = 15,
                                                           const std::function<bool()>& stop = {});

// The UTF-16 text of a version record: a u32 byte length, then the text.
std::u16string versionRecordText(const FirmwareRecordBlock& record);

} // namespace lumetta::ctl
