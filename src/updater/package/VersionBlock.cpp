#include "updater/package/VersionBlock.h"

#include <algorithm>

namespace lumetta {

namespace {

std::uint32_t u32At(std::span<const std::uint8_t> bytes, std::size_t offset) {
    return bytes[offset] | (bytes[offset + 1] << 8) | (bytes[offset + 2] << 16) |
           (std::uint32_t(bytes[offset + 3]) << 24);
}

void putU32(std::vector<std::uint8_t>& bytes, std::size_t offset, std::uint32_t value) {
    for (int i = 0; i < 4; ++i) {
        bytes[offset + i] = static_cast<std::uint8_t>(value >> (8 * i));
    }
}

} // namespace

std::vector<std::uint8_t> buildVersionBlock(std::u16string_view text, std::uint8_t major,
                                            std::uint8_t minor, std::uint32_t build) {
    std::vector<std::uint8_t> block(VERSION_BLOCK_SIZE, 0);
    const std::size_t units = std::min(text.size(), VERSION_TEXT_MAX_BYTES / 2);
    putU32(block, 0, static_cast<std::uint32_t>(2 * units));
    for (std::size_t i = 0; i < units; ++i) {
        block[4 + 2 * i] = static_cast<std::uint8_t>(text[i] & 0xFF);
        block[5 + 2 * i] = static_cast<std::uint8_t>(text[i] >> 8);
    }
    block[VERSION_RECORD_SIZE + 2] = major;
    block[VERSION_RECORD_SIZE + 3] = minor;
    putU32(block, VERSION_RECORD_SIZE + 4, build);
    return block;
}

VersionBlockInfo parseVersionBlock(std::span<const std::uint8_t> block) {
    VersionBlockInfo info;
    if (block.size() >= VERSION_RECORD_SIZE) {
        const auto record = block.first(VERSION_RECORD_SIZE);
        info.erased = std::all_of(record.begin(), record.end(), [](auto b) { return b == 0xFF; });
        if (!info.erased) {
            const std::size_t bytes =
                std::min<std::size_t>(u32At(block, 0), VERSION_TEXT_MAX_BYTES);
            for (std::size_t i = 0; i + 1 < bytes; i += 2) {
                info.text.push_back(static_cast<char16_t>(block[4 + i] | (block[5 + i] << 8)));
            }
        }
    }
    if (block.size() >= VERSION_BLOCK_SIZE) {
        info.hasVersion = true;
        info.major = block[VERSION_RECORD_SIZE + 2];
        info.minor = block[VERSION_RECORD_SIZE + 3];
        info.build = u32At(block, VERSION_RECORD_SIZE + 4);
    }
    return info;
}

} // namespace lumetta
