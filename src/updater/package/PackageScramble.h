#pragma once

#include <cstdint>
#include <span>

namespace lumetta {

// Undoes the storage form of a package block or header in place: swap bytes i and i + 4 for
// i = 0, 5, 10, ... while i + 5 < n; swap the bytes of each pair; then turn every byte b into
// ((low nibble of b) - 7 mod 16) << 4 | (high nibble of b).
void unscramble(std::span<std::uint8_t> buffer);

// The storage form itself, the exact inverse of unscramble: the byte map first (high nibble =
// low nibble of the plain byte, low nibble = high nibble + 7 mod 16), then the two swaps.
void scramble(std::span<std::uint8_t> buffer);

} // namespace lumetta
