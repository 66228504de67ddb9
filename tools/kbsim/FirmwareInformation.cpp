#include "kbsim/FirmwareInformation.h"

#include <algorithm>

namespace lumetta::kbsim {

namespace {

constexpr std::uint8_t SUB_INFO = 0x00;
constexpr std::uint8_t SUB_VERSION_INDEX = 0x01;
constexpr std::uint8_t SUB_FIRST_RECORD = 0x20;
constexpr std::uint32_t PROTOCOL_REVISION = 1;
// Record 1 holds the application version.
constexpr std::uint16_t APPLICATION_RECORD = 1;

Report information(const KeyboardState& state, const Report& request) {
    Report answer = answerFor(request);
    std::uint8_t* data = &answer[DATA_OFFSET];
    writeU32(data, PROTOCOL_REVISION);
    std::copy(state.modelId.begin(), state.modelId.end(), data + 4);
    writeU16(data + 20, state.layoutId);
    writeU16(data + 32, FLASH_PAGE_SIZE);
    writeU16(data + 34, FIRMWARE_PAGES);
    writeU16(data + 36, FIRMWARE_START);
    return answer;
}

Report versionIndex(const Report& request) {
    Report answer = answerFor(request);
    answer[4] = 4;
    writeU16(&answer[6], APPLICATION_RECORD);
    return answer;
}

Report versionRecord(const KeyboardState& state, const Report& request, std::uint32_t record) {
    Report answer = answerFor(request);
    const std::uint32_t start = record * VERSION_RECORD_SIZE;
    for (std::uint32_t i = 0; i < VERSION_RECORD_SIZE && start + i < FIRMWARE_START; ++i) {
        answer[DATA_OFFSET + i] = state.flash[start + i];
    }
    return answer;
}

} // namespace

std::optional<Report> answerFirmwareInformation(const KeyboardState& state, const Report& request) {
    const std::uint8_t sub = request[1];
    if (sub == SUB_INFO) {
        return information(state, request);
    }
    if (sub == SUB_VERSION_INDEX) {
        return versionIndex(request);
    }
    if (sub >= SUB_FIRST_RECORD) {
        return versionRecord(state, request, sub - SUB_FIRST_RECORD);
    }
    return std::nullopt;
}

} // namespace lumetta::kbsim
