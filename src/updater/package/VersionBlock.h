#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace lumetta {

// The keyboard's version area as a package carries it: record 0 (u32 length in bytes, then that
// much UTF-16 version text) and record 1 (byte 2 major, byte 3 minor, u32 at 4 build), 60 bytes
// each.
inline constexpr std::size_t VERSION_RECORD_SIZE = 60;
inline constexpr std::size_t VERSION_BLOCK_SIZE = 2 * VERSION_RECORD_SIZE;
inline constexpr std::size_t VERSION_TEXT_MAX_BYTES = VERSION_RECORD_SIZE - 4;

// A 120-byte block; the text is cut at 56 bytes (28 units), unused bytes are zero.
std::vector<std::uint8_t> buildVersionBlock(std::u16string_view text, std::uint8_t major,
                                            std::uint8_t minor, std::uint32_t build);

struct VersionBlockInfo {
    bool erased = true;      // record 0 missing or all 0xFF
    std::u16string text;     // at most the 56 bytes record 0 has room for
    bool hasVersion = false; // record 1 present
    std::uint8_t major = 0;
    std::uint8_t minor = 0;
    std::uint32_t build = 0;
};

VersionBlockInfo parseVersionBlock(std::span<const std::uint8_t> block);

} // namespace lumetta
