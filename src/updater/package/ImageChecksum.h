#pragma once

#include <cstdint>
#include <span>

namespace lumetta {

// The sum modulo 2^32 of the block read as little-endian u32 words, as the bootloader computes
// it over flash. A trailing part shorter than four bytes counts as if padded with zero bytes.
std::uint32_t imageChecksum(std::span<const std::uint8_t> block);

} // namespace lumetta
