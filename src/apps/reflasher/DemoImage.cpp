// Writes the demonstration firmware images: a deterministic 40 KiB pattern per layout id that
// differs from the simulated keyboard's factory image, so that a flash can be seen in its
// checksum.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <vector>

namespace {

constexpr std::size_t kImageSize = 40 * 1024;

std::vector<std::uint8_t> demoImage(std::uint32_t layoutId) {
    std::vector<std::uint8_t> image(kImageSize);
    std::uint32_t x = 0x5EED0000u + layoutId * 0x9E37u;
    for (std::size_t i = 0; i < image.size(); i += 4) {
        x ^= x << 13;
        x ^= x >> 17;
        x ^= x << 5;
        for (std::size_t b = 0; b < 4; ++b) {
            image[i + b] = static_cast<std::uint8_t>(x >> (8 * b));
        }
    }
    return image;
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: reflasher-demo-image LAYOUT_ID OUTPUT\n");
        return 2;
    }
    const auto layoutId = static_cast<std::uint32_t>(std::strtoul(argv[1], nullptr, 0));
    const std::vector<std::uint8_t> image = demoImage(layoutId);
    std::ofstream out(argv[2], std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(image.data()),
              static_cast<std::streamsize>(image.size()));
    return out ? 0 : 1;
}
