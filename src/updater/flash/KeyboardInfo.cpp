#include "updater/flash/KeyboardInfo.h"

#include "updater/flash/Retry.h"
#include "updater/package/ImageSelection.h"

#include <algorithm>
#include <span>

namespace lumetta::flash {

namespace {

constexpr auto INFO_RETRY_PAUSE = std::chrono::milliseconds(500);
constexpr std::size_t LENGTH_BYTES = 4;
// The updater writes 26 bytes of text; when all of them read 0xFF the record is erased.
constexpr std::size_t WRITTEN_TEXT_BYTES = 26;
constexpr std::uint32_t ERASED_LENGTH = 0xFFFFFFFF;

std::uint32_t readU32(std::span<const std::uint8_t> bytes) {
    return std::uint32_t(bytes[0]) | std::uint32_t(bytes[1]) << 8 | std::uint32_t(bytes[2]) << 16 |
           std::uint32_t(bytes[3]) << 24;
}

} // namespace

std::u16string versionRecordText(const FirmwareRecordBlock& record) {
    const std::uint32_t length = readU32(record);
    const auto text = std::span(record).subspan(LENGTH_BYTES);
    const bool erased = std::all_of(text.begin(), text.begin() + WRITTEN_TEXT_BYTES,
                                    [](std::uint8_t byte) { return byte == 0xFF; });
    if (erased || length == ERASED_LENGTH) {
        return {};
    }
    const std::size_t bytes = std::min<std::size_t>(length, text.size());
    std::u16string result;
    for (std::size_t i = 0; i + 1 < bytes; i += 2) {
        const auto unit = static_cast<char16_t>(text[i] | text[i + 1] << 8);
        if (unit == 0) {
            break;
        }
        result.push_back(unit);
    }
    return result;
}

KeyboardVersion applicationVersion(const FirmwareRecordBlock& appInfo) {
    return KeyboardVersion{appInfo[2], appInfo[3], readU32(std::span(appInfo).subspan(4))};
}

std::u16string shownImageName(const PackageHeader& header, int selectedImage) {
    if (selectedImage >= 0 && selectedImage < IMAGE_SLOTS) {
        return fieldText(header.Images[static_cast<std::size_t>(selectedImage)].Name);
    }
    for (const ImageEntry& image : header.Images) {
        if (image.FirmwareLength != 0) {
            return fieldText(image.Name);
        }
    }
    return {};
}

std::optional<KeyboardDisplay> GetInfo(CommandCatalogue& channel, const PackageHeader& header,
                                       UpdaterState& state, const Sleeper& sleep) {
    state.SelectedImage = SELECT_INFO_ERROR;
    const int tries = state.RetryCount;
    if (!retry(tries, sleep, INFO_RETRY_PAUSE,
               [&] { return channel.ReadFirmwareInfo(state.FirmwareInfo) == 0; })) {
        return std::nullopt;
    }
    // The record is taken as read even from a failed try: it is cleared then.
    if (!retry(tries, sleep, INFO_RETRY_PAUSE,
               [&] { return channel.ReadFirmwareRecord(0, state.VersionRecord) == 0; })) {
        return std::nullopt;
    }
    std::uint32_t recordIndex = 0;
    if (!retry(tries, sleep, INFO_RETRY_PAUSE, [&] {
            return channel.ReadFirmwareVersionIndex(recordIndex) == 0 &&
                   channel.ReadFirmwareRecord(static_cast<std::uint8_t>(recordIndex),
                                              state.AppInfo) == 0;
        })) {
        return std::nullopt;
    }
    state.SelectedImage =
        selectImage(header, std::span<const std::uint8_t>(state.FirmwareInfo), state.ForcedImage);
    return KeyboardDisplay{versionRecordText(state.VersionRecord),
                           shownImageName(header, state.SelectedImage)};
}

} // namespace lumetta::flash
