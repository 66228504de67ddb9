#pragma once

// Bounds-checked little-endian reads at offsets into one buffer. Reads past the end give 0 and
// set a flag, so a parser can read a whole header and check once.

#include <cstddef>
#include <cstdint>
#include <span>

namespace lumetta::gfx::detail {

class ByteReader {
public:
    explicit ByteReader(std::span<const std::uint8_t> bytes) : bytes_(bytes) {}

    bool has(std::size_t offset, std::size_t count) const {
        return offset <= bytes_.size() && count <= bytes_.size() - offset;
    }
    std::uint8_t u8(std::size_t offset) {
        if (!has(offset, 1)) {
            overrun_ = true;
            return 0;
        }
        return bytes_[offset];
    }
    std::uint16_t u16(std::size_t offset) {
        return std::uint16_t(u8(offset) | (unsigned(u8(offset + 1)) << 8));
    }
    std::uint32_t u32(std::size_t offset) {
        return std::uint32_t(u16(offset)) | (std::uint32_t(u16(offset + 2)) << 16);
    }
    std::int32_t i32(std::size_t offset) { return std::int32_t(u32(offset)); }
    std::size_t size() const { return bytes_.size(); }
    bool overrun() const { return overrun_; }
    std::span<const std::uint8_t> bytes() const { return bytes_; }

private:
    std::span<const std::uint8_t> bytes_;
    bool overrun_ = false;
};

} // namespace lumetta::gfx::detail
