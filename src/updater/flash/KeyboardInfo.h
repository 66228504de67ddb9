#pragma once

#include "device/channel/CommandCatalogue.h"
#include "updater/flash/FlashTiming.h"
#include "updater/flash/UpdaterState.h"
#include "updater/package/PackageHeader.h"

#include <optional>
#include <string>

namespace lumetta::flash {

// What the dialog shows about the keyboard once its information was read.
struct KeyboardDisplay {
    // The keyboard's version text; empty when its version area is erased.
    std::u16string versionText;
    // The chosen slot's name, or the first non-empty slot's when none matched.
    std::u16string imageName;
    bool operator==(const KeyboardDisplay&) const = default;
};

// Reads the keyboard's firmware information, its version record and its application version
// over `channel`, each up to RetryCount times with 500 ms between tries, then chooses the image.
// SelectedImage is SELECT_INFO_ERROR until the choice is made; a read that never succeeds ends
// there and gives nothing to show.
std::optional<KeyboardDisplay> GetInfo(CommandCatalogue& channel, const PackageHeader& header,
                                       UpdaterState& state, const Sleeper& sleep);

// The text of a version record: empty when it is erased; otherwise the UTF-16 text of its
// length, cut at the 56 bytes the record has room for and at a terminating zero.
std::u16string versionRecordText(const FirmwareRecordBlock& record);

// The version of the running firmware as the application record states it.
KeyboardVersion applicationVersion(const FirmwareRecordBlock& appInfo);

// The name the dialog shows for a choice: the slot's own, or the first non-empty slot's when
// the choice is an error.
std::u16string shownImageName(const PackageHeader& header, int selectedImage);

} // namespace lumetta::flash
