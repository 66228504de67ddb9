#include "kbsim/Flash.h"

#include "kbsim/Report.h"

#include <algorithm>

namespace lumetta::kbsim {

FlashBytes erasedFlash() {
    return FlashBytes(FLASH_SIZE, 0xFF);
}

std::uint32_t eraseFlash(FlashBytes& flash, std::uint32_t firmwareBytes) {
    const std::uint32_t bytes = std::min(firmwareBytes, FIRMWARE_AREA_SIZE);
    std::fill(flash.begin(), flash.begin() + FIRMWARE_START + bytes, 0xFF);
    const std::uint32_t versionPages = FIRMWARE_START / FLASH_PAGE_SIZE;
    return versionPages + (bytes + FLASH_PAGE_SIZE - 1) / FLASH_PAGE_SIZE;
}

void programFlash(FlashBytes& flash, std::uint32_t address, std::span<const std::uint8_t> bytes) {
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        const std::uint64_t at = std::uint64_t(address) + i;
        if (at >= flash.size()) {
            return;
        }
        flash[at] &= bytes[i];
    }
}

std::uint32_t flashChecksum(const FlashBytes& flash, std::uint32_t start, std::uint32_t length) {
    std::uint32_t sum = 0;
    // Words wholly beyond the flash add nothing; stopping there keeps an absurd length (a host
    // can ask for 4 GiB) from stalling the keyboard.
    const std::uint64_t end =
        std::min<std::uint64_t>(length, flash.size() > start ? flash.size() - start : 0);
    for (std::uint64_t word = 0; word < end; word += 4) {
        std::uint8_t bytes[4] = {0, 0, 0, 0};
        for (std::uint64_t i = 0; i < 4 && word + i < length; ++i) {
            const std::uint64_t at = std::uint64_t(start) + word + i;
            bytes[i] = at < flash.size() ? flash[at] : 0;
        }
        sum += readU32(bytes);
    }
    return sum;
}

FirmwareVersion readFirmwareVersion(const FlashBytes& flash) {
    FirmwareVersion version;
    const std::uint32_t length = readU32(&flash[0]);
    // Erased flash reads 0xFFFFFFFF here; anything that fits the version area is a record the
    // updater (or the factory) wrote.
    version.valid = length != 0 && length <= FIRMWARE_START - 4;
    const std::uint8_t* record1 = &flash[VERSION_RECORD_SIZE];
    version.major = record1[2];
    version.minor = record1[3];
    version.build = readU32(record1 + 4);
    if (!version.valid) {
        return version;
    }
    const std::uint32_t textBytes = std::min(length, VERSION_TEXT_CAPACITY);
    for (std::uint32_t i = 0; i + 1 < textBytes; i += 2) {
        version.text.push_back(static_cast<char16_t>(readU16(&flash[4 + i])));
    }
    while (!version.text.empty() && version.text.back() == u'\0') {
        version.text.pop_back();
    }
    return version;
}

void writeVersionArea(FlashBytes& flash, std::uint8_t major, std::uint8_t minor,
                      std::uint32_t build, const std::u16string& text) {
    std::uint8_t area[2 * VERSION_RECORD_SIZE] = {};
    const std::size_t units = std::min<std::size_t>(text.size() + 1, VERSION_TEXT_CAPACITY / 2);
    writeU32(area, static_cast<std::uint32_t>(units * 2));
    for (std::size_t i = 0; i < units && i < text.size(); ++i) {
        writeU16(area + 4 + 2 * i, static_cast<std::uint16_t>(text[i]));
    }
    std::uint8_t* record1 = area + VERSION_RECORD_SIZE;
    record1[2] = major;
    record1[3] = minor;
    writeU32(record1 + 4, build);
    std::fill(flash.begin(), flash.begin() + FIRMWARE_START, 0xFF);
    programFlash(flash, 0, area);
}

} // namespace lumetta::kbsim
