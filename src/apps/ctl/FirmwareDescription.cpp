#include "apps/ctl/FirmwareDescription.h"

#include <chrono>

namespace lumetta::ctl {

namespace {

constexpr auto RETRY_SLEEP = std::chrono::milliseconds(500);
constexpr std::size_t MODEL_OFFSET = 4;
constexpr std::size_t MODEL_SIZE = 16;
constexpr std::size_t LAYOUT_OFFSET = 20;
constexpr std::size_t TEXT_OFFSET = 4;
constexpr std::uint8_t ERASED = 0xFF;

template <class Step>
bool tryStep(CommandCatalogue& channel, int tries, const std::function<bool()>& stop, Step step) {
    for (int attempt = 0; attempt < tries; ++attempt) {
        if (step() == 0) {
            return true;
        }
        if (stop && stop()) {
            return false;
        }
        channel.sleep(RETRY_SLEEP);
    }
    return false;
}

std::string modelText(const FirmwareInfoBlock& info) {
    std::string model;
    for (std::size_t i = MODEL_OFFSET; i < MODEL_OFFSET + MODEL_SIZE && info[i] != 0; ++i) {
        const char c = static_cast<char>(info[i]);
        model += c >= 0x20 && c < 0x7F ? c : '?';
    }
    return model;
}

std::optional<std::string> applicationText(const FirmwareRecordBlock& record) {
    if (record[2] == ERASED && record[3] == ERASED) {
        return std::nullopt;
    }
    const std::uint32_t build = std::uint32_t(record[4]) | std::uint32_t(record[5]) << 8 |
                                std::uint32_t(record[6]) << 16 | std::uint32_t(record[7]) << 24;
    return std::to_string(record[2]) + "." + std::to_string(record[3]) + " build " +
           std::to_string(build);
}

} // namespace

std::u16string versionRecordText(const FirmwareRecordBlock& record) {
    const std::uint32_t length = std::uint32_t(record[0]) | std::uint32_t(record[1]) << 8 |
                                 std::uint32_t(record[2]) << 16 | std::uint32_t(record[3]) << 24;
    if (length == 0xFFFFFFFFu) {
        return {}; // an erased record: no valid firmware
    }
    const std::size_t bytes = std::min<std::size_t>(length, record.size() - TEXT_OFFSET);
    std::u16string text;
    for (std::size_t i = 0; i + 1 < bytes; i += 2) {
        const auto unit =
            static_cast<char16_t>(record[TEXT_OFFSET + i] | record[TEXT_OFFSET + i + 1] << 8);
        if (unit == 0) {
            break;
        }
        text += unit;
    }
    return text;
}

std::optional<FirmwareDescription> readFirmwareDescription(CommandCatalogue& channel, int tries,
                                                           const std::function<bool()>& stop) {
    FirmwareInfoBlock info{};
    if (!tryStep(channel, tries, stop, [&] { return channel.ReadFirmwareInfo(info); })) {
        return std::nullopt;
    }
    FirmwareRecordBlock versionRecord{};
    if (!tryStep(channel, tries, stop,
                 [&] { return channel.ReadFirmwareRecord(0, versionRecord); })) {
        return std::nullopt;
    }
    FirmwareRecordBlock appRecord{};
    const bool appRead = tryStep(channel, tries, stop, [&] {
        std::uint32_t index = 0;
        const int result = channel.ReadFirmwareVersionIndex(index);
        return result | channel.ReadFirmwareRecord(static_cast<std::uint8_t>(index), appRecord);
    });
    if (!appRead) {
        return std::nullopt;
    }
    FirmwareDescription description;
    description.model = modelText(info);
    description.layoutId =
        static_cast<std::uint16_t>(info[LAYOUT_OFFSET] | info[LAYOUT_OFFSET + 1] << 8);
    description.versionText = versionRecordText(versionRecord);
    description.applicationVersion = applicationText(appRecord);
    return description;
}

} // namespace lumetta::ctl
