#include "kbsim/BootloaderEngine.h"

#include "kbsim/FirmwareInformation.h"

#include <span>

namespace lumetta::kbsim {

namespace {

constexpr std::uint8_t CMD_TARGET = 0x10;
constexpr std::uint8_t CMD_BOOT = 0x11;
constexpr std::uint8_t CMD_FLASH = 0x1D;
constexpr std::uint8_t CMD_POINTER = 0x1E;
constexpr std::uint8_t CMD_WRITE_BLOCK = 0x1F;

constexpr std::uint8_t SUB_GET_TARGET = 0x00;
constexpr std::uint8_t SUB_SELECT_TARGET = 0x01;
constexpr std::uint8_t SUB_TARGET_COUNT = 0x02;
constexpr std::uint8_t SUB_RESET_DEVICE = 0x01;
constexpr std::uint8_t SUB_ERASE = 0x00;
constexpr std::uint8_t SUB_CHECKSUM = 0x01;
constexpr std::uint8_t SUB_GET_POINTER = 0x00;
constexpr std::uint8_t SUB_SET_POINTER = 0x01;

constexpr std::uint32_t TARGET_COUNT = 1;
constexpr std::uint8_t MAX_BLOCK = 60;
// A write answers with these two bytes in front instead of the request's.
constexpr std::uint8_t WRITE_ANSWER_CMD = 0x1E;
constexpr std::uint8_t WRITE_ANSWER_SUB = 0x02;
// What the checksum fault adds to a correct sum.
constexpr std::uint32_t CHECKSUM_FAULT = 0x5A5A5A5A;

EngineOutcome answered(const Report& answer, bool changed = false) {
    EngineOutcome outcome;
    outcome.answer = answer;
    outcome.stateChanged = changed;
    return outcome;
}

EngineOutcome answeredWith(const Report& request, std::uint32_t value) {
    Report answer = answerFor(request);
    writeU32(&answer[4], value);
    return answered(answer);
}

} // namespace

EngineOutcome BootloaderEngine::handle(const Report& request, Faults& faults) {
    switch (request[0]) {
    case CMD_TARGET:
        return targetCommand(request);
    case CMD_BOOT: {
        EngineOutcome outcome;
        // EnterBootloader is not answered here either: the keyboard is already there.
        if (request[1] == SUB_RESET_DEVICE) {
            outcome.departure = EngineOutcome::Departure::RESET;
        }
        return outcome;
    }
    case CMD_FIRMWARE_INFO: {
        auto answer = answerFirmwareInformation(state_, request);
        return answer ? answered(*answer) : answered(refusalFor(request));
    }
    case CMD_FLASH:
        return flashCommand(request, faults);
    case CMD_POINTER:
        return pointerCommand(request);
    case CMD_WRITE_BLOCK:
        return writeBlock(request, faults);
    default:
        return answered(refusalFor(request));
    }
}

void BootloaderEngine::powerUp() {
    writePointer_ = 0;
    target_ = 0;
}

EngineOutcome BootloaderEngine::targetCommand(const Report& request) {
    switch (request[1]) {
    case SUB_GET_TARGET:
        return answeredWith(request, target_);
    case SUB_SELECT_TARGET:
        // Only target 0 exists; asking for another leaves the selection as it is, which the
        // host sees when it reads the target back.
        if (readU32(&request[4]) < TARGET_COUNT) {
            target_ = readU32(&request[4]);
        }
        return answered(answerFor(request));
    case SUB_TARGET_COUNT:
        return answeredWith(request, TARGET_COUNT);
    default:
        return answered(refusalFor(request));
    }
}

EngineOutcome BootloaderEngine::flashCommand(const Report& request, Faults& faults) {
    const std::uint32_t first = readU32(&request[4]);
    const std::uint32_t second = readU32(&request[8]);
    if (request[1] == SUB_ERASE) {
        const std::uint32_t pages = eraseFlash(state_.flash, second);
        EngineOutcome outcome = answered(answerFor(request), true);
        outcome.busy = ERASE_TIME_PER_PAGE * pages;
        return outcome;
    }
    if (request[1] == SUB_CHECKSUM) {
        std::uint32_t sum = flashChecksum(state_.flash, first, second);
        if (faults.badChecksumOnce) {
            faults.badChecksumOnce = false;
            sum += CHECKSUM_FAULT;
        }
        return answeredWith(request, sum);
    }
    return answered(refusalFor(request));
}

EngineOutcome BootloaderEngine::pointerCommand(const Report& request) {
    if (request[1] == SUB_SET_POINTER) {
        writePointer_ = readU32(&request[4]);
        return answered(answerFor(request));
    }
    if (request[1] == SUB_GET_POINTER) {
        return answeredWith(request, writePointer_);
    }
    return answered(refusalFor(request));
}

EngineOutcome BootloaderEngine::writeBlock(const Report& request, Faults& faults) {
    const std::uint8_t length = request[1];
    if (length > MAX_BLOCK) {
        return answered(refusalFor(request));
    }
    programFlash(state_.flash, writePointer_, std::span(&request[4], length));
    writePointer_ += length;
    if (faults.wrongPointerOnce) {
        faults.wrongPointerOnce = false;
        // The pointer runs one piece too far; the host has to set it back and write again.
        writePointer_ += length;
    }
    Report answer = answerFor(request);
    answer[0] = WRITE_ANSWER_CMD;
    answer[1] = WRITE_ANSWER_SUB;
    writeU32(&answer[4], writePointer_);
    return answered(answer, true);
}

} // namespace lumetta::kbsim
