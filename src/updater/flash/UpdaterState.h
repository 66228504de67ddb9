#pragma once

#include "device/channel/CommandCatalogue.h"
#include "updater/package/ImageSelection.h"

#include <cstdint>

namespace lumetta::flash {

inline constexpr int RETRY_COUNT = 15;

// A record that reads as erased until the keyboard answered.
inline FirmwareRecordBlock erasedRecord() {
    FirmwareRecordBlock record;
    record.fill(0xFF);
    return record;
}

// What the updater knows about the keyboard and the update it was asked for. The dialog's
// thread owns it; the flashing thread works on a copy.
struct UpdaterState {
    int RetryCount = RETRY_COUNT;
    // The firmware target the update goes to; 0 unless the keyboard hosts several.
    std::uint32_t Target = 0;
    // The slot 0 to 8, or SELECT_LAYOUT_ERROR, SELECT_HARDWARE_MISMATCH, SELECT_INFO_ERROR.
    int SelectedImage = SELECT_LAYOUT_ERROR;
    // Answer bytes 4 to 63 of the firmware information, then four zero bytes.
    FirmwareInfoBlock FirmwareInfo{};
    // Record 0 of the keyboard's version area: u32 length, then UTF-16 text.
    FirmwareRecordBlock VersionRecord = erasedRecord();
    // The application version: byte 2 major, byte 3 minor, u32 at 4 build.
    FirmwareRecordBlock AppInfo{};
    bool UpdateRequested = false;
    bool AutoStart = false;
    bool Force = false;
    int ForcedImage = NO_FORCED_IMAGE;
    bool Silent = false;
};

} // namespace lumetta::flash
