#include "updater/package/ImageChecksum.h"

namespace lumetta {

std::uint32_t imageChecksum(std::span<const std::uint8_t> block) {
    std::uint32_t sum = 0;
    for (std::size_t i = 0; i < block.size(); i += 4) {
        std::uint32_t word = 0;
        for (std::size_t b = 0; b < 4 && i + b < block.size(); ++b) {
            word |= std::uint32_t(block[i + b]) << (8 * b);
        }
        sum += word;
    }
    return sum;
}

} // namespace lumetta
