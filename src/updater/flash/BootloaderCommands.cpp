#include "updater/flash/BootloaderCommands.h"

#include <algorithm>
#include <cstring>

namespace lumetta::flash {

namespace {

constexpr std::uint8_t CMD_TARGET = 0x10;
constexpr std::uint8_t CMD_RESTART = 0x11;
constexpr std::uint8_t CMD_FLASH = 0x1D;
constexpr std::uint8_t CMD_POINTER = 0x1E;
constexpr std::uint8_t CMD_WRITE_BLOCK = 0x1F;

constexpr std::uint8_t SUB_GET_TARGET = 0x00;
constexpr std::uint8_t SUB_SELECT_TARGET = 0x01;
constexpr std::uint8_t SUB_TARGET_COUNT = 0x02;
constexpr std::uint8_t SUB_ENTER_BOOTLOADER = 0x00;
constexpr std::uint8_t SUB_RESET_DEVICE = 0x01;
constexpr std::uint8_t SUB_ERASE = 0x00;
constexpr std::uint8_t SUB_CHECKSUM = 0x01;
constexpr std::uint8_t SUB_GET_POINTER = 0x00;
constexpr std::uint8_t SUB_SET_POINTER = 0x01;

// Data bytes 0 to 3 and 4 to 7: report bytes 4 to 7 and 8 to 11.
constexpr std::size_t FIRST_VALUE = 0;
constexpr std::size_t SECOND_VALUE = 4;

constexpr std::uint32_t ERASE_BYTES_PER_SECOND = 10240;

void putU32(CommandReport& report, std::size_t offset, std::uint32_t value) {
    for (std::size_t i = 0; i < 4; ++i) {
        report.Data[offset + i] = static_cast<std::uint8_t>(value >> (8 * i));
    }
}

std::uint32_t getU32(const CommandReport& report, std::size_t offset) {
    std::uint32_t value = 0;
    for (std::size_t i = 0; i < 4; ++i) {
        value |= std::uint32_t{report.Data[offset + i]} << (8 * i);
    }
    return value;
}

CommandReport requestWithValue(std::uint8_t command, std::uint8_t subCommand, std::uint32_t value) {
    CommandReport report = makeRequest(command, subCommand);
    putU32(report, FIRST_VALUE, value);
    return report;
}

} // namespace

std::chrono::milliseconds BootloaderCommands::eraseWait(std::uint32_t size) {
    const auto scaled = std::chrono::milliseconds(1000) * (size / ERASE_BYTES_PER_SECOND);
    return std::max(ANSWER_WAIT, std::chrono::milliseconds(scaled));
}

int BootloaderCommands::exchange(CommandReport& report, std::chrono::milliseconds wait) {
    if (!isConnected()) {
        return 1;
    }
    return TransactWithin(report, wait) == 0 ? 0 : 1;
}

int BootloaderCommands::exchangeForValue(CommandReport& report, std::chrono::milliseconds wait,
                                         std::uint32_t& out) {
    const int result = exchange(report, wait);
    if (result == 0) {
        out = getU32(report, FIRST_VALUE);
    }
    return result;
}

int BootloaderCommands::SelectTarget(std::uint32_t target) {
    CommandReport report = requestWithValue(CMD_TARGET, SUB_SELECT_TARGET, target);
    return exchange(report, ANSWER_WAIT);
}

int BootloaderCommands::GetTarget(std::uint32_t& out) {
    CommandReport report = makeRequest(CMD_TARGET, SUB_GET_TARGET);
    return exchangeForValue(report, ANSWER_WAIT, out);
}

int BootloaderCommands::GetTargetCount(std::uint32_t& out) {
    CommandReport report = makeRequest(CMD_TARGET, SUB_TARGET_COUNT);
    return exchangeForValue(report, ANSWER_WAIT, out);
}

int BootloaderCommands::EnterBootloader() {
    if (!isConnected()) {
        return 1;
    }
    return WriteOnly(makeRequest(CMD_RESTART, SUB_ENTER_BOOTLOADER)) == 0 ? 0 : 1;
}

int BootloaderCommands::ResetDevice() {
    if (!isConnected()) {
        return 1;
    }
    return WriteOnly(makeRequest(CMD_RESTART, SUB_RESET_DEVICE)) == 0 ? 0 : 1;
}

int BootloaderCommands::EraseFlash(std::uint32_t size) {
    CommandReport report = requestWithValue(CMD_FLASH, SUB_ERASE, 0);
    putU32(report, SECOND_VALUE, size);
    return exchange(report, eraseWait(size));
}

int BootloaderCommands::GetFlashChecksum(std::uint32_t start, std::uint32_t length,
                                         std::uint32_t& out) {
    CommandReport report = requestWithValue(CMD_FLASH, SUB_CHECKSUM, start);
    putU32(report, SECOND_VALUE, length);
    return exchangeForValue(report, ANSWER_WAIT, out);
}

int BootloaderCommands::SetWritePointer(std::uint32_t address) {
    CommandReport report = requestWithValue(CMD_POINTER, SUB_SET_POINTER, address);
    return exchange(report, POINTER_WAIT);
}

int BootloaderCommands::GetWritePointer(std::uint32_t& pointer) {
    CommandReport report = requestWithValue(CMD_POINTER, SUB_GET_POINTER, pointer);
    return exchangeForValue(report, ANSWER_WAIT, pointer);
}

int BootloaderCommands::WriteBlock(std::span<const std::uint8_t> data, std::uint32_t& pointer) {
    if (data.size() > MAX_BLOCK) {
        return 1;
    }
    CommandReport report = makeRequest(CMD_WRITE_BLOCK, static_cast<std::uint8_t>(data.size()));
    std::copy(data.begin(), data.end(), report.Data);
    return exchangeForValue(report, ANSWER_WAIT, pointer);
}

} // namespace lumetta::flash
