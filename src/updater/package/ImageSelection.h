#pragma once

#include "updater/package/PackageHeader.h"

#include <cstdint>
#include <optional>
#include <span>

namespace lumetta {

// Results of selectImage besides a slot index 0 to 8.
inline constexpr int SELECT_LAYOUT_ERROR = -1;
inline constexpr int SELECT_HARDWARE_MISMATCH = -2;
inline constexpr int SELECT_INFO_ERROR = -3;
inline constexpr int NO_FORCED_IMAGE = -1;

// Chooses the slot for a keyboard from its firmware information (answer bytes 4 to 63 of the
// firmware information command; empty when it could not be read): the model id at bytes 4 to 19
// must equal ModelId, then the first non-empty slot whose LayoutId equals the u16 at bytes 20 to
// 21 is taken, or with a forced image k (1 to 9) slot k - 1 when it is not empty. Information
// shorter than 22 bytes counts as unreadable.
int selectImage(const PackageHeader& header,
                std::optional<std::span<const std::uint8_t>> firmwareInfo, int forcedImage);

// The version a keyboard reports for its running firmware.
struct KeyboardVersion {
    std::uint8_t major = 0;
    std::uint8_t minor = 0;
    std::uint32_t build = 0;
};

// Whether the slot's version is higher at the first of major, minor, build that differs.
bool isPackageNewer(const ImageEntry& image, const KeyboardVersion& keyboard);

// A keyboard without a valid version reports major and minor both 0xFF.
bool hasNoValidVersion(const KeyboardVersion& keyboard);

} // namespace lumetta
