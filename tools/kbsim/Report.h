#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

namespace lumetta::kbsim {

// One report of the command interface, without the report id: both directions carry 64 bytes.
inline constexpr std::size_t REPORT_SIZE = 64;
// Offset of the command's data behind command, sub-command and the 16-bit index.
inline constexpr std::size_t DATA_OFFSET = 4;
inline constexpr std::size_t DATA_SIZE = REPORT_SIZE - DATA_OFFSET;

using Report = std::array<std::uint8_t, REPORT_SIZE>;

inline std::uint16_t readU16(const std::uint8_t* p) {
    return static_cast<std::uint16_t>(p[0] | p[1] << 8);
}

inline std::uint32_t readU32(const std::uint8_t* p) {
    return std::uint32_t(p[0]) | std::uint32_t(p[1]) << 8 | std::uint32_t(p[2]) << 16 |
           std::uint32_t(p[3]) << 24;
}

inline void writeU16(std::uint8_t* p, std::uint16_t v) {
    p[0] = static_cast<std::uint8_t>(v);
    p[1] = static_cast<std::uint8_t>(v >> 8);
}

inline void writeU32(std::uint8_t* p, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) {
        p[i] = static_cast<std::uint8_t>(v >> (8 * i));
    }
}

inline std::uint16_t reportIndex(const Report& r) {
    return readU16(&r[2]);
}

// The start of every answer: the request's first four bytes, the rest zero.
inline Report answerFor(const Report& request) {
    Report answer{};
    for (std::size_t i = 0; i < DATA_OFFSET; ++i) {
        answer[i] = request[i];
    }
    return answer;
}

// What the keyboard sends for a command it does not take in its current mode.
inline Report refusalFor(const Report& request) {
    Report answer{};
    answer[0] = 0xFF;
    answer[1] = 0xAA;
    answer[4] = request[0];
    answer[5] = request[1];
    return answer;
}

} // namespace lumetta::kbsim
