#include "updater/package/ImageSelection.h"

#include <algorithm>

namespace lumetta {

namespace {
constexpr std::size_t MODEL_ID_OFFSET = 4;
constexpr std::size_t LAYOUT_ID_OFFSET = 20;
} // namespace

int selectImage(const PackageHeader& header,
                std::optional<std::span<const std::uint8_t>> firmwareInfo, int forcedImage) {
    if (!firmwareInfo || firmwareInfo->size() < LAYOUT_ID_OFFSET + 2) {
        return SELECT_INFO_ERROR;
    }
    const auto info = *firmwareInfo;
    if (!std::equal(header.ModelId.begin(), header.ModelId.end(), info.begin() + MODEL_ID_OFFSET)) {
        return SELECT_HARDWARE_MISMATCH;
    }
    const bool forced = forcedImage >= 1 && forcedImage <= IMAGE_SLOTS;
    const auto layout =
        static_cast<std::uint16_t>(info[LAYOUT_ID_OFFSET] | (info[LAYOUT_ID_OFFSET + 1] << 8));
    for (int slot = 0; slot < IMAGE_SLOTS; ++slot) {
        const ImageEntry& image = header.Images[slot];
        if (image.FirmwareLength == 0) {
            continue;
        }
        if (forced ? slot == forcedImage - 1 : image.LayoutId == layout) {
            return slot;
        }
    }
    return SELECT_LAYOUT_ERROR;
}

bool isPackageNewer(const ImageEntry& image, const KeyboardVersion& keyboard) {
    if (image.VersionMajor != keyboard.major) {
        return image.VersionMajor > keyboard.major;
    }
    if (image.VersionMinor != keyboard.minor) {
        return image.VersionMinor > keyboard.minor;
    }
    return image.VersionBuild > keyboard.build;
}

bool hasNoValidVersion(const KeyboardVersion& keyboard) {
    return keyboard.major == 0xFF && keyboard.minor == 0xFF;
}

} // namespace lumetta
