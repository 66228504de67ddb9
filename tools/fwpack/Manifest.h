#pragma once

#include "updater/package/FirmwarePackage.h"

#include <array>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace lumetta::fwpack {

// One image slot as the manifest describes it.
struct SlotManifest {
    bool present = false;
    std::string firmware; // path, relative to the manifest's folder
    std::u16string name;
    std::uint16_t layoutId = 0;
    std::uint8_t major = 0;
    std::uint8_t minor = 0;
    std::uint32_t build = 0;
};

struct Manifest {
    std::array<std::uint8_t, MODEL_ID_SIZE> modelId{};
    std::uint8_t subDeviceScan = 0;
    std::uint8_t subDeviceIndex = 0;
    std::uint32_t bootVendorId = 0;
    std::uint32_t bootProductId = 0;
    std::uint32_t appVendorId = 0;
    std::uint32_t appProductId = 0;
    std::uint8_t blockSize = 0;
    std::u16string title;
    std::u16string text1;
    std::u16string text2;
    std::u16string versionText;
    std::array<SlotManifest, IMAGE_SLOTS> slots;
};

// A manifest or the one-line reason it was refused ("line 7: unknown key 'colour'").
struct ManifestResult {
    std::optional<Manifest> manifest;
    std::string error;
};

ManifestResult parseManifest(std::string_view text);

// Firmware files larger than this are refused: no keyboard's flash comes near it, and a mistaken
// path to some large file should fail loudly.
inline constexpr std::uintmax_t MAX_FIRMWARE_BYTES = 4 * 1024 * 1024;

struct PackageResult {
    std::optional<FirmwarePackage> package;
    std::string error;
};

// Reads every slot's firmware file (relative paths from folder), pads it with zero bytes to a
// whole number of 32-bit words, and builds each slot's version block.
PackageResult packageFromManifest(const Manifest& manifest, const std::filesystem::path& folder);

} // namespace lumetta::fwpack
