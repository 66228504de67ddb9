#include "updater/package/PackageScramble.h"

#include <utility>

namespace lumetta {

namespace {

void swapSteps(std::span<std::uint8_t> buffer) {
    const std::size_t n = buffer.size();
    for (std::size_t i = 0; i + 5 < n; i += 5) {
        std::swap(buffer[i], buffer[i + 4]);
    }
    for (std::size_t i = 0; i + 1 < n; i += 2) {
        std::swap(buffer[i], buffer[i + 1]);
    }
}

} // namespace

void unscramble(std::span<std::uint8_t> buffer) {
    swapSteps(buffer);
    for (auto& byte : buffer) {
        const unsigned high = ((byte & 0x0F) + 16 - 7) & 0x0F;
        byte = static_cast<std::uint8_t>((high << 4) | (byte >> 4));
    }
}

void scramble(std::span<std::uint8_t> buffer) {
    for (auto& byte : buffer) {
        const unsigned low = ((byte >> 4) + 7) & 0x0F;
        byte = static_cast<std::uint8_t>(((byte & 0x0F) << 4) | low);
    }
    // Each swap step is its own inverse; undoing means running them in reverse order.
    const std::size_t n = buffer.size();
    for (std::size_t i = 0; i + 1 < n; i += 2) {
        std::swap(buffer[i], buffer[i + 1]);
    }
    for (std::size_t i = 0; i + 5 < n; i += 5) {
        std::swap(buffer[i], buffer[i + 4]);
    }
}

} // namespace lumetta
