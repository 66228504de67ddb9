#include "updater/package/ImageSelection.h"

#include <gtest/gtest.h>

#include <vector>

namespace lumetta {
namespace {

constexpr std::array<std::uint8_t, 16> MODEL = {'L', 'U', 'M', 'E', 'T', 'T', 'A', '-',
                                                'S', 'I', 'M', '-', '0', '0', '0', '1'};

std::vector<std::uint8_t> info(std::uint16_t layout, bool sameModel = true) {
    std::vector<std::uint8_t> bytes(60, 0);
    bytes[0] = 1;
    std::copy(MODEL.begin(), MODEL.end(), bytes.begin() + 4);
    if (!sameModel) {
        bytes[19] ^= 1;
    }
    bytes[20] = static_cast<std::uint8_t>(layout);
    bytes[21] = static_cast<std::uint8_t>(layout >> 8);
    return bytes;
}

TEST(ImageSelection, ChoosesBySlotLayoutOrForcedNumber) {
    PackageHeader header;
    header.ModelId = MODEL;
    // Slots 1 (US), 2 (EU) and 5 (US again) filled; slot 4 carries JP but is empty.
    const std::pair<int, std::uint16_t> filled[] = {{1, 1}, {2, 2}, {5, 1}};
    for (const auto& [slot, layout] : filled) {
        header.Images[slot].FirmwareLength = 4;
        header.Images[slot].LayoutId = layout;
    }
    header.Images[4].LayoutId = 3;
    struct Case {
        std::vector<std::uint8_t> info;
        bool readable;
        int forced;
        int expected;
    };
    const Case cases[] = {
        {info(1), true, NO_FORCED_IMAGE, 1},
        {info(2), true, NO_FORCED_IMAGE, 2},
        {info(3), true, NO_FORCED_IMAGE, SELECT_LAYOUT_ERROR},
        {info(0x0100), true, NO_FORCED_IMAGE, SELECT_LAYOUT_ERROR},
        {info(1, false), true, NO_FORCED_IMAGE, SELECT_HARDWARE_MISMATCH},
        {info(1, false), true, 3, SELECT_HARDWARE_MISMATCH},
        {info(1), false, NO_FORCED_IMAGE, SELECT_INFO_ERROR},
        {std::vector<std::uint8_t>(21, 0), true, NO_FORCED_IMAGE, SELECT_INFO_ERROR},
        {info(1), true, 3, 2}, // "bin:3" takes slot 2 whatever the layout
        {info(3), true, 6, 5},
        {info(1), true, 5, SELECT_LAYOUT_ERROR}, // forced onto an empty slot
        {info(1), true, 10, 1},                  // out of range: as if not forced
        {info(1), true, 0, 1},
    };
    for (const auto& c : cases) {
        std::optional<std::span<const std::uint8_t>> given;
        if (c.readable) {
            given = std::span<const std::uint8_t>(c.info);
        }
        const int layout = c.info.size() > 21 ? c.info[20] | (c.info[21] << 8) : -1;
        EXPECT_EQ(selectImage(header, given, c.forced), c.expected)
            << "layout " << layout << " forced " << c.forced << " readable " << c.readable;
    }
}

TEST(ImageSelection, PackageIsNewerOnlyAtTheFirstDifferentField) {
    struct Case {
        std::uint8_t major, minor;
        std::uint32_t build;
        KeyboardVersion keyboard;
        bool newer;
    };
    const Case cases[] = {
        {1, 2, 3, {1, 2, 3}, false},          {1, 2, 4, {1, 2, 3}, true},
        {1, 2, 2, {1, 2, 3}, false},          {1, 3, 0, {1, 2, 9}, true},
        {1, 1, 99, {1, 2, 0}, false},         {2, 0, 0, {1, 9, 9}, true},
        {0, 9, 9, {1, 0, 0}, false},          {1, 0, 0x80000000u, {1, 0, 0x7FFFFFFFu}, true},
        {0xFE, 0, 0, {0xFF, 0xFF, 0}, false},
    };
    for (const auto& c : cases) {
        ImageEntry image;
        image.VersionMajor = c.major;
        image.VersionMinor = c.minor;
        image.VersionBuild = c.build;
        EXPECT_EQ(isPackageNewer(image, c.keyboard), c.newer)
            << int(c.major) << "." << int(c.minor) << "." << c.build << " vs "
            << int(c.keyboard.major) << "." << int(c.keyboard.minor) << "." << c.keyboard.build;
    }
    EXPECT_TRUE(hasNoValidVersion({0xFF, 0xFF, 0}));
    EXPECT_FALSE(hasNoValidVersion({0xFF, 0x00, 0}));
}

} // namespace
} // namespace lumetta
