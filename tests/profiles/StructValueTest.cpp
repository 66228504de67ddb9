#include "profiles/StructValue.h"

#include <gtest/gtest.h>

#include <array>

namespace lumetta {
namespace {

TEST(StructValue, EncodesUpperCaseHexWithChecksum) {
    const std::array<std::uint8_t, 3> status{1, 1, 0};
    EXPECT_EQ(encodeStructValue(status), u"01010002");
    const std::array<std::uint8_t, 3> wraps{0xFF, 0xAB, 0x02};
    EXPECT_EQ(encodeStructValue(wraps), u"FFAB02AC");
    EXPECT_EQ(encodeStructValue({}), u"00");
    std::array<std::uint8_t, 1548> layer{};
    layer.fill(0x5A);
    EXPECT_EQ(encodeStructValue(layer).size(), 3098u);
}

TEST(StructValue, DecodesOnlyExactValues) {
    struct Case {
        std::u16string value;
        bool accepted;
    };
    const Case cases[] = {
        {u"01010002", true},   {u"ffab02ac", true},
        {u"FfAb02Ac", true},   {u"0101000", false},
        {u"010100020", false}, {u"01010003", false},
        {u"0101000G", false},  {u"01 10002", false},
        {u"", false},          {u"010100\u0660\u0662", false},
    };
    for (const auto& c : cases) {
        std::array<std::uint8_t, 3> block{9, 9, 9};
        EXPECT_EQ(decodeStructValue(c.value, block), c.accepted)
            << std::string(c.value.begin(), c.value.end());
        if (!c.accepted) {
            EXPECT_EQ(block, (std::array<std::uint8_t, 3>{9, 9, 9})) << "refusal must not write";
        }
    }
    std::array<std::uint8_t, 3> block{};
    ASSERT_TRUE(decodeStructValue(u"FFAB02AC", block));
    EXPECT_EQ(block, (std::array<std::uint8_t, 3>{0xFF, 0xAB, 0x02}));
}

} // namespace
} // namespace lumetta
