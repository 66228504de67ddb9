#pragma once

#include "lighting/model/PlainRecord.h"

#include <cstddef>
#include <cstdint>

namespace lumetta {

inline constexpr std::size_t COMMAND_DATA_SIZE = 60;

// The 64 bytes of every output and input report of the command interface, after the report id.
// An answer repeats bytes 0 to 3 (command, sub-command, index) of its request.
struct CommandReport {
    std::uint8_t Command;
    std::uint8_t SubCommand;
    std::uint16_t Index; // little-endian on the wire, as on every supported host
    std::uint8_t Data[COMMAND_DATA_SIZE];
};

LUMETTA_PLAIN_BLOCK(CommandReport, 64);

// The input report of the keyboard: report id 0 and the 64 bytes of a CommandReport.
inline constexpr std::uint32_t INPUT_REPORT_LENGTH = 65;

// A request with the given command bytes and every other byte zero.
inline CommandReport makeRequest(std::uint8_t command, std::uint8_t subCommand,
                                 std::uint16_t index = 0) {
    CommandReport report{};
    report.Command = command;
    report.SubCommand = subCommand;
    report.Index = index;
    return report;
}

} // namespace lumetta
