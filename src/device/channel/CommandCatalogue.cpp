#include "device/channel/CommandCatalogue.h"

#include "device/wire/EffectEntryCodec.h"
#include "platform/core/DelayMicroseconds.h"

#include <algorithm>
#include <cstring>
#include <thread>

namespace lumetta {

namespace {

constexpr std::uint8_t CMD_FIRMWARE = 0x12;
constexpr std::uint8_t CMD_DEVICE = 0x40;
constexpr std::uint8_t CMD_MODE = 0x41;
constexpr std::uint8_t CMD_EVENTS = 0x42;
constexpr std::uint8_t CMD_STORE = 0x50;
constexpr std::uint8_t CMD_WRITE = 0x51;
constexpr std::uint8_t CMD_READ = 0x52;

constexpr std::uint8_t SUB_FIRMWARE_INFO = 0x00;
constexpr std::uint8_t SUB_VERSION_INDEX = 0x01;
constexpr std::uint8_t SUB_FIRST_RECORD = 0x20;
constexpr std::uint8_t SUB_DEVICE_INFO = 0x20;
constexpr std::uint8_t SUB_STATUS = 0x63;
constexpr std::uint8_t SUB_SETUP_EVENTS = 0x00;
constexpr std::uint8_t SUB_RESET_PROFILE = 0x10;
constexpr std::uint8_t SUB_COMMIT_PROFILE = 0x55;
constexpr std::uint8_t SUB_PROFILE = 0x00;
constexpr std::uint8_t SUB_NAME = 0x01;
constexpr std::uint8_t SUB_EFFECT = 0x28;
constexpr std::uint8_t SUB_EFFECT_LIST = 0x29;
constexpr std::uint8_t SUB_ENTRIES = 0x2C;
constexpr std::uint8_t SUB_CUSTOM_MEMORY = 0x30;
constexpr std::uint8_t SUB_KEY_EFFECT_CHUNK = 0xA0;
constexpr std::uint8_t SUB_KEY_COLORS = 0xA8;

// The key effect map always travels with index 2.
constexpr std::uint16_t KEY_EFFECT_MAP_INDEX = 2;
// Answer byte 10 (data byte 6) of the device information holds the name length.
constexpr std::size_t NAME_LENGTH_DATA_BYTE = 6;
// Answer byte 4 that marks the version-index answer as valid.
constexpr std::uint8_t VERSION_INDEX_MARK = 4;
constexpr std::uint8_t NO_NAME = 0xFF;
constexpr std::uint8_t HIGHEST_PROFILE_ANSWER = 6;
constexpr int PROFILE_READ_BACKS = 5;
constexpr auto PROFILE_READ_BACK_PAUSE = std::chrono::milliseconds(10);

template <class Block> void copyIntoData(CommandReport& report, const Block& block) {
    static_assert(sizeof(Block) <= COMMAND_DATA_SIZE);
    std::memcpy(report.Data, &block, sizeof(Block));
}

template <class Block> void copyFromData(Block& block, const CommandReport& report) {
    static_assert(sizeof(Block) <= COMMAND_DATA_SIZE);
    std::memcpy(&block, report.Data, sizeof(Block));
}

} // namespace

void CommandCatalogue::busyWait(std::chrono::microseconds span) {
    core::DelayMicroseconds(static_cast<std::uint64_t>(std::max<std::int64_t>(span.count(), 0)));
}

void CommandCatalogue::sleep(std::chrono::milliseconds span) {
    std::this_thread::sleep_for(span);
}

int CommandCatalogue::run(CommandReport& report, bool paced) {
    if (!isConnected()) {
        ++failedCommands_;
        return 1;
    }
    const int result = Transact(report) == 0 ? 0 : 1;
    if (paced) {
        busyWait(std::chrono::milliseconds(Pacing()));
    }
    failedCommands_ += static_cast<std::uint64_t>(result);
    return result;
}

int CommandCatalogue::ReadFirmwareInfo(FirmwareInfoBlock& out) {
    out.fill(0);
    CommandReport report = makeRequest(CMD_FIRMWARE, SUB_FIRMWARE_INFO);
    const int result = run(report, false);
    if (result == 0) {
        std::memcpy(out.data(), report.Data, COMMAND_DATA_SIZE);
    }
    return result;
}

int CommandCatalogue::ReadFirmwareVersionIndex(std::uint32_t& out) {
    CommandReport report = makeRequest(CMD_FIRMWARE, SUB_VERSION_INDEX);
    const int result = run(report, false);
    if (result == 0 && report.Data[0] == VERSION_INDEX_MARK) {
        out = static_cast<std::uint32_t>(report.Data[2] | report.Data[3] << 8);
    }
    return result;
}

int CommandCatalogue::ReadFirmwareRecord(std::uint8_t n, FirmwareRecordBlock& out) {
    out.fill(0);
    CommandReport report =
        makeRequest(CMD_FIRMWARE, static_cast<std::uint8_t>(SUB_FIRST_RECORD + n));
    const int result = run(report, false);
    if (result == 0) {
        std::memcpy(out.data(), report.Data, out.size());
    }
    return result;
}

int CommandCatalogue::GetDeviceInfo() {
    CommandReport report = makeRequest(CMD_DEVICE, SUB_DEVICE_INFO);
    const int result = run(report, true);
    if (result == 0) {
        nameLength_ = std::min(report.Data[NAME_LENGTH_DATA_BYTE], MAX_NAME_LENGTH);
    }
    return result;
}

int CommandCatalogue::GetStatus(StatusBlock& out) {
    CommandReport report = makeRequest(CMD_DEVICE, SUB_STATUS);
    const int result = run(report, true);
    if (result == 0) {
        std::memcpy(out.data(), report.Data, out.size());
    }
    return result;
}

int CommandCatalogue::SetMode(std::uint8_t mode) {
    CommandReport report = makeRequest(CMD_MODE, mode);
    return run(report, true);
}

int CommandCatalogue::SetupEvents(std::uint32_t a, std::uint8_t b) {
    CommandReport report = makeRequest(CMD_EVENTS, SUB_SETUP_EVENTS, 0);
    for (int i = 0; i < 4; ++i) {
        report.Data[i] = static_cast<std::uint8_t>(a >> (8 * i));
    }
    report.Data[4] = b;
    return run(report, true);
}

int CommandCatalogue::ResetProfile() {
    CommandReport report = makeRequest(CMD_STORE, SUB_RESET_PROFILE);
    return run(report, true);
}

int CommandCatalogue::CommitProfile() {
    CommandReport report = makeRequest(CMD_STORE, SUB_COMMIT_PROFILE);
    return run(report, true);
}

int CommandCatalogue::SelectProfile(std::uint8_t p) {
    if (!isConnected()) {
        ++failedCommands_;
        return 1;
    }
    CommandReport report = makeRequest(CMD_WRITE, SUB_PROFILE);
    report.Data[0] = p;
    int result = run(report, false);
    sleep(std::chrono::milliseconds(4 * Pacing()));
    for (int read = 0; read < PROFILE_READ_BACKS; ++read) {
        std::uint8_t value = 0;
        result |= GetProfile(value);
        if (value == p) {
            break;
        }
        busyWait(PROFILE_READ_BACK_PAUSE);
    }
    return result;
}

int CommandCatalogue::GetProfile(std::uint8_t& value) {
    CommandReport report = makeRequest(CMD_READ, SUB_PROFILE);
    report.Data[0] = value;
    const int result = run(report, false);
    if (result == 0) {
        value = report.Data[0] > HIGHEST_PROFILE_ANSWER ? 0 : report.Data[0];
    }
    return result;
}

int CommandCatalogue::SetProfileName(std::uint16_t p, std::span<const std::uint8_t> name) {
    CommandReport report = makeRequest(CMD_WRITE, SUB_NAME, p);
    std::copy_n(name.begin(), std::min<std::size_t>(nameLength_, name.size()), report.Data);
    return run(report, true);
}

int CommandCatalogue::GetProfileName(std::uint16_t p, ProfileNameBuffer& out) {
    CommandReport report = makeRequest(CMD_READ, SUB_NAME, p);
    const int result = run(report, true);
    if (result != 0) {
        return result;
    }
    out.fill(0);
    if (report.Data[0] != NO_NAME) {
        std::copy_n(report.Data, nameLength_, out.begin());
    }
    return result;
}

int CommandCatalogue::SelectEffect(const EffectSelectRecord& record) {
    CommandReport report = makeRequest(CMD_WRITE, SUB_EFFECT);
    copyIntoData(report, record);
    return run(report, true);
}

int CommandCatalogue::GetEffect(EffectSelectRecord& record) {
    record = {};
    CommandReport report = makeRequest(CMD_READ, SUB_EFFECT);
    const int result = run(report, true);
    if (result == 0) {
        copyFromData(record, report);
    }
    return result;
}

int CommandCatalogue::SetEffectList(const EffectListRecord& record) {
    CommandReport report = makeRequest(CMD_WRITE, SUB_EFFECT_LIST);
    copyIntoData(report, record);
    return run(report, true);
}

int CommandCatalogue::GetEffectList(EffectListRecord& record) {
    record = {};
    CommandReport report = makeRequest(CMD_READ, SUB_EFFECT_LIST);
    const int result = run(report, true);
    if (result == 0) {
        copyFromData(record, report);
    }
    return result;
}

int CommandCatalogue::SetEffectEntries(std::uint16_t layer, const EffectEntryBlock& entries) {
    CommandReport report = makeRequest(CMD_WRITE, SUB_ENTRIES, layer);
    std::memset(report.Data, 0xFF, sizeof report.Data);
    EffectEntryBlock encoded = entries;
    encodeEffectEntries(encoded);
    copyIntoData(report, encoded);
    return run(report, false);
}

int CommandCatalogue::GetEffectEntries(std::uint16_t layer, EffectEntryBlock& entries) {
    CommandReport report = makeRequest(CMD_READ, SUB_ENTRIES, layer);
    copyIntoData(report, entries);
    const int result = run(report, true);
    if (result == 0) {
        copyFromData(entries, report);
        decodeEffectEntries(entries);
    }
    return result;
}

int CommandCatalogue::SelectCustomMemory(std::uint8_t m) {
    CommandReport report = makeRequest(CMD_WRITE, SUB_CUSTOM_MEMORY);
    report.Data[0] = m;
    return run(report, true);
}

int CommandCatalogue::SetKeyEffectChunk(const KeyEffectChunk& chunk) {
    CommandReport report = makeRequest(CMD_WRITE, SUB_KEY_EFFECT_CHUNK, KEY_EFFECT_MAP_INDEX);
    copyIntoData(report, chunk);
    return run(report, true);
}

int CommandCatalogue::GetKeyEffectChunk(KeyEffectChunk& chunk) {
    CommandReport report = makeRequest(CMD_READ, SUB_KEY_EFFECT_CHUNK, KEY_EFFECT_MAP_INDEX);
    copyIntoData(report, chunk);
    const int result = run(report, true);
    if (result == 0) {
        copyFromData(chunk, report);
    }
    return result;
}

int CommandCatalogue::SetKeyColors(std::uint16_t index, const KeyColorChunk& chunk) {
    CommandReport report = makeRequest(CMD_WRITE, SUB_KEY_COLORS, index);
    copyIntoData(report, chunk);
    return run(report, true);
}

int CommandCatalogue::GetKeyColors(std::uint16_t index, KeyColorChunk& chunk) {
    CommandReport report = makeRequest(CMD_READ, SUB_KEY_COLORS, index);
    const int result = run(report, true);
    if (result == 0) {
        copyFromData(chunk, report);
    }
    return result;
}

} // namespace lumetta
