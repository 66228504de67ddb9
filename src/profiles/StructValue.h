#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>

namespace lumetta {

// The private-profile struct form of a block of bytes: each byte as two upper-case hexadecimal
// digits, then one checksum byte (the low 8 bits of the sum of all bytes) the same way.
std::u16string encodeStructValue(std::span<const std::uint8_t> block);

// Fills block from a struct value of exactly its size. A value of another length, with a
// character that is not a hexadecimal digit (either case) or with a wrong checksum is refused
// and block is left as it was.
bool decodeStructValue(std::u16string_view value, std::span<std::uint8_t> block);

} // namespace lumetta
