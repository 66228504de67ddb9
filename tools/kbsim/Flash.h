#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace lumetta::kbsim {

// The simulated keyboard's flash: a version area below FIRMWARE_START, the firmware area above.
inline constexpr std::uint32_t FLASH_PAGE_SIZE = 1024;
inline constexpr std::uint32_t FIRMWARE_PAGES = 60;
inline constexpr std::uint32_t FIRMWARE_START = 0x1000;
inline constexpr std::uint32_t FIRMWARE_AREA_SIZE = FLASH_PAGE_SIZE * FIRMWARE_PAGES;
inline constexpr std::uint32_t FLASH_SIZE = FIRMWARE_START + FIRMWARE_AREA_SIZE;
// The version area is read in records of 60 bytes; record 1 holds the application version.
inline constexpr std::uint32_t VERSION_RECORD_SIZE = 60;
inline constexpr std::uint32_t VERSION_TEXT_CAPACITY = VERSION_RECORD_SIZE - 4;

using FlashBytes = std::vector<std::uint8_t>;

FlashBytes erasedFlash();

// Erases the version area and the first `firmwareBytes` bytes of the firmware area; returns how
// many pages that touched (the erase time grows with it).
std::uint32_t eraseFlash(FlashBytes& flash, std::uint32_t firmwareBytes);

// Programs bytes at an address. Like real flash, programming only clears bits, so writing over
// unerased bytes gives the AND of old and new. Bytes beyond the flash are dropped.
void programFlash(FlashBytes& flash, std::uint32_t address, std::span<const std::uint8_t> bytes);

// Sum modulo 2^32 of the little-endian 32-bit words of a range. Bytes outside the flash, and
// the missing bytes of a last partial word, count as 0.
std::uint32_t flashChecksum(const FlashBytes& flash, std::uint32_t start, std::uint32_t length);

struct FirmwareVersion {
    std::uint8_t major = 0xFF;
    std::uint8_t minor = 0xFF;
    std::uint32_t build = 0xFFFFFFFF;
    // The text of record 0 (at most its 56 bytes) as UTF-16 code units, without trailing zeros.
    std::u16string text;
    // Record 0 is not erased: the keyboard has a firmware to run.
    bool valid = false;
};

FirmwareVersion readFirmwareVersion(const FlashBytes& flash);

// Writes a complete version area the way the updater leaves it: record 0 with the text's
// length and the text, record 1 with the version numbers, reserved bytes 0.
void writeVersionArea(FlashBytes& flash, std::uint8_t major, std::uint8_t minor,
                      std::uint32_t build, const std::u16string& text);

} // namespace lumetta::kbsim
