#pragma once

#include "kbsim/Report.h"

#include <cstdint>
#include <initializer_list>

namespace lumetta::kbsim::test {

// A request: command, sub-command, index, then data bytes from report byte 4 on.
inline Report request(std::uint8_t cmd, std::uint8_t sub, std::uint16_t index = 0,
                      std::initializer_list<std::uint8_t> data = {}, std::uint8_t fill = 0) {
    Report r;
    r.fill(fill);
    r[0] = cmd;
    r[1] = sub;
    writeU16(&r[2], index);
    std::size_t i = DATA_OFFSET;
    for (std::uint8_t b : data) {
        r[i++] = b;
    }
    return r;
}

inline Report requestU32(std::uint8_t cmd, std::uint8_t sub, std::uint32_t first,
                         std::uint32_t second = 0) {
    Report r = request(cmd, sub);
    writeU32(&r[4], first);
    writeU32(&r[8], second);
    return r;
}

} // namespace lumetta::kbsim::test
