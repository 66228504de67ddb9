#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace lumetta::kbsim {

// Lower-case hex, two digits per byte, no separators.
std::string toHex(std::span<const std::uint8_t> bytes);

// Decodes hex of any case; nullopt for an odd length or a character that is not a hex digit.
std::optional<std::vector<std::uint8_t>> fromHex(std::string_view text);

// Decimal or 0x-prefixed hex, the whole text, within 32 bits.
std::optional<std::uint32_t> parseNumber(std::string_view text);

} // namespace lumetta::kbsim
