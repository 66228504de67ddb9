#include "updater/package/ImageChecksum.h"
#include "updater/package/PackageHeader.h"
#include "updater/package/PackageScramble.h"
#include "updater/package/VersionBlock.h"

#include <gtest/gtest.h>

#include <random>

namespace lumetta {
namespace {

using Bytes = std::vector<std::uint8_t>;

TEST(PackageScramble, UnscrambleKnownBuffers) {
    struct Case {
        Bytes stored;
        Bytes plain;
    };
    const Case cases[] = {
        {{0x07}, {0x00}},
        {{0x17}, {0x01}},
        {{0x70}, {0x97}},
        {{}, {}},
        // Two bytes: the pair is swapped, then each byte mapped.
        {{0x07, 0x17}, {0x01, 0x00}},
        // Five bytes: no swap of 0 and 4 (0 + 5 is not below 5), pairs (0,1) and (2,3) swap.
        {{0x07, 0x17, 0x27, 0x37, 0x47}, {0x01, 0x00, 0x03, 0x02, 0x04}},
        // Six bytes: 0 and 4 swap first, then the pairs.
        {{0x07, 0x17, 0x27, 0x37, 0x47, 0x57}, {0x01, 0x04, 0x03, 0x02, 0x05, 0x00}},
    };
    for (const auto& c : cases) {
        Bytes buffer = c.stored;
        unscramble(buffer);
        EXPECT_EQ(buffer, c.plain) << "stored length " << c.stored.size();
    }
}

TEST(PackageScramble, ScrambleIsTheExactInverse) {
    std::mt19937 random(7);
    for (std::size_t length : {0u, 1u, 2u, 4u, 5u, 6u, 9u, 10u, 11u, 16u, 61u, 2852u}) {
        Bytes plain(length);
        for (auto& b : plain) {
            b = static_cast<std::uint8_t>(random());
        }
        Bytes buffer = plain;
        scramble(buffer);
        if (length > 1) {
            EXPECT_NE(buffer, plain) << length;
        }
        unscramble(buffer);
        EXPECT_EQ(buffer, plain) << length;
    }
    for (int value = 0; value < 256; ++value) {
        Bytes one = {static_cast<std::uint8_t>(value)};
        scramble(one);
        unscramble(one);
        EXPECT_EQ(one[0], value);
    }
}

TEST(ImageChecksum, SumsLittleEndianWordsPaddingTheTailWithZeros) {
    struct Case {
        Bytes block;
        std::uint32_t sum;
    };
    const Case cases[] = {
        {{}, 0},
        {{1, 0, 0, 0}, 1},
        {{0x78, 0x56, 0x34, 0x12}, 0x12345678},
        {{1, 0, 0, 0, 2, 0, 0, 0}, 3},
        {{1, 0, 0, 0, 0xFF}, 0x100},
        {{1, 0, 0, 0, 0x01, 0x02, 0x03}, 0x00030202},
        {{0xFF, 0xFF, 0xFF, 0xFF, 2, 0, 0, 0}, 1},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(imageChecksum(c.block), c.sum) << "block of " << c.block.size();
    }
}

TEST(PackageHeader, FieldsSitAtTheirOffsets) {
    PackageHeader header;
    header.ModelId = {'L', 'U', 'M'};
    header.SubDeviceScan = 1;
    header.SubDeviceIndex = 2;
    header.BootVendorId = 0x04D9;
    header.BootProductId = 0x1203;
    header.AppVendorId = 0x04D9;
    header.AppProductId = 0x0203;
    header.BlockSize = 56;
    ASSERT_TRUE(setFieldText(header.Title, u"T"));
    ASSERT_TRUE(setFieldText(header.Text1, u"1"));
    ASSERT_TRUE(setFieldText(header.Text2, u"2"));
    ASSERT_TRUE(setFieldText(header.VersionText, u"V"));
    header.Images[0].FirmwareLength = 0x11223344;
    header.Images[0].VersionLength = 120;
    ASSERT_TRUE(setFieldText(header.Images[0].Name, u"US"));
    header.Images[8].LayoutId = 0x0302;
    header.Images[8].VersionMajor = 9;
    header.Images[8].VersionMinor = 8;
    header.Images[8].VersionBuild = 0xA1B2C3D4;
    header.Marker = PACKAGE_MARKER;

    const auto bytes = encodePackageHeader(header);
    struct Field {
        std::size_t offset;
        Bytes expected;
    };
    const Field fields[] = {
        {0, {'L', 'U', 'M', 0}},
        {16, {1, 2}},
        {20, {0xD9, 0x04, 0, 0, 0x03, 0x12, 0, 0}},
        {28, {0xD9, 0x04, 0, 0, 0x03, 0x02, 0, 0}},
        {36, {56}},
        {38, {'T', 0, 0, 0}},
        {558, {'1', 0}},
        {1078, {'2', 0}},
        {1598, {'V', 0}},
        {2120, {0x44, 0x33, 0x22, 0x11, 120, 0, 0, 0, 'U', 0, 'S', 0, 0, 0}},
        {2120 + 8 * 80 + 68, {0x02, 0x03, 9, 8, 0xD4, 0xC3, 0xB2, 0xA1}},
        {2841, {'.', 'm', 'a', 'a', 'V', '1', '0', '2', 0, 0}},
    };
    for (const auto& f : fields) {
        EXPECT_EQ(Bytes(bytes.begin() + f.offset, bytes.begin() + f.offset + f.expected.size()),
                  f.expected)
            << "offset " << f.offset;
    }
    EXPECT_EQ(decodePackageHeader(bytes), header);

    // Reserved bytes survive a decode and encode.
    auto withReserved = bytes;
    for (std::size_t offset : {18u, 19u, 37u, 2118u, 2119u, 2120u + 76u, 2840u, 2851u}) {
        withReserved[offset] = 0xEE;
    }
    EXPECT_EQ(encodePackageHeader(decodePackageHeader(withReserved)), withReserved);
}

TEST(PackageHeader, FieldTextNeedsRoomForItsTerminator) {
    std::array<char16_t, 4> field{u'x', u'x', u'x', u'x'};
    EXPECT_EQ(fieldText(field), u"xxxx") << "no terminator: the whole field";
    EXPECT_TRUE(setFieldText(field, u"abc"));
    EXPECT_EQ(fieldText(field), u"abc");
    EXPECT_FALSE(setFieldText(field, u"abcd"));
    EXPECT_EQ(fieldText(field), u"abc") << "a refused text changes nothing";
}

TEST(VersionBlock, RecordsFollowTheKeyboardLayout) {
    const Bytes block = buildVersionBlock(u"V1.02", 1, 2, 0x01020304);
    ASSERT_EQ(block.size(), VERSION_BLOCK_SIZE);
    EXPECT_EQ(Bytes(block.begin(), block.begin() + 14),
              (Bytes{10, 0, 0, 0, 'V', 0, '1', 0, '.', 0, '0', 0, '2', 0}));
    EXPECT_EQ(Bytes(block.begin() + 60, block.begin() + 68), (Bytes{0, 0, 1, 2, 4, 3, 2, 1}));

    const VersionBlockInfo info = parseVersionBlock(block);
    EXPECT_FALSE(info.erased);
    EXPECT_EQ(info.text, u"V1.02");
    EXPECT_TRUE(info.hasVersion);
    EXPECT_EQ(info.major, 1);
    EXPECT_EQ(info.minor, 2);
    EXPECT_EQ(info.build, 0x01020304u);

    const std::u16string longText(40, u'v');
    EXPECT_EQ(parseVersionBlock(buildVersionBlock(longText, 0, 0, 0)).text,
              std::u16string(28, u'v'));
    EXPECT_TRUE(parseVersionBlock(Bytes(120, 0xFF)).erased);
    Bytes lying = block;
    lying[0] = 0xFF; // length far beyond the record
    EXPECT_EQ(parseVersionBlock(lying).text.size(), 28u);
    EXPECT_FALSE(parseVersionBlock(Bytes(30, 0)).hasVersion);
}

} // namespace
} // namespace lumetta
