#include "updater/package/PackageBuilder.h"

#include "updater/package/PackageScramble.h"

namespace lumetta {

std::vector<std::uint8_t> buildPackageBytes(const FirmwarePackage& package) {
    PackageHeader header = package.header;
    header.Marker = PACKAGE_MARKER;
    std::vector<std::uint8_t> bytes;
    for (int slot = 0; slot < IMAGE_SLOTS; ++slot) {
        ImageEntry& image = header.Images[slot];
        const auto& firmware = package.firmware[slot];
        if (firmware.empty()) {
            image.FirmwareLength = 0;
            image.VersionLength = 0;
            continue;
        }
        const auto& version = package.version[slot];
        image.FirmwareLength = static_cast<std::uint32_t>(firmware.size());
        image.VersionLength = static_cast<std::uint32_t>(version.size());
        for (const auto* block : {&firmware, &version}) {
            std::vector<std::uint8_t> stored = *block;
            scramble(stored);
            bytes.insert(bytes.end(), stored.begin(), stored.end());
        }
    }
    auto stored = encodePackageHeader(header);
    scramble(stored);
    bytes.insert(bytes.end(), stored.begin(), stored.end());
    return bytes;
}

} // namespace lumetta
