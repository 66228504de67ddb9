#include "lighting/model/EffectCode.h"

#include <gtest/gtest.h>

namespace lumetta {
namespace {

struct EffectRow {
    EffectCode code;
    std::string_view key;
    int deviceNumber;
};

const EffectRow EFFECT_ROWS[] = {
    {EffectCode::STATIC, "STATIC", 0},
    {EffectCode::COLOR_WAVE, "COLOR_WAVE", 4},
    {EffectCode::CROSS_LINE, "CROSS_LINE", 10},
    {EffectCode::SINGLE_KEY, "SINGLE_KEY", 3},
    {EffectCode::CUSTOMIZE, "CUSTOMIZE", 176},
    {EffectCode::STAR_EFFECT, "STAR_EFFECT", 11},
    {EffectCode::RAIN_DROP, "RAIN_DROP", 7},
    {EffectCode::COLOR_CYCLE, "COLOR_CYCLE", 1},
    {EffectCode::BREATH, "BREATH", 2},
    {EffectCode::RIPPLE, "RIPPLE", 6},
    {EffectCode::MULTILAYER, "MULTILAYER", 225},
    {EffectCode::GAME_SNAKE, "GAME_SNAKE", 8},
    {EffectCode::SYSTEM_STATUS, "SYSTEM_STATUS", 216},
    {EffectCode::AURORA_MODE, "AURORA_MODE", 5},
    {EffectCode::OFF, "OFF", 254},
};

TEST(EffectCode, KnownCodesMapBothWays) {
    for (const EffectRow& row : EFFECT_ROWS) {
        SCOPED_TRACE(row.key);
        EXPECT_EQ(toInt(row.code) & 0xFFF0, 0x1000);
        EXPECT_TRUE(isKnownEffect(row.code));
        EXPECT_EQ(effectToDeviceNumber(row.code), row.deviceNumber);
        EXPECT_EQ(deviceNumberToEffect(static_cast<std::uint8_t>(row.deviceNumber)), row.code);
        EXPECT_EQ(effectKey(row.code), row.key);
    }
}

TEST(EffectCode, UnknownCodesGiveOffNumber) {
    const std::int32_t unknown[] = {0x100B, 0x1010, 0x0FFF, 255, -1, 0x7FFFFFFF};
    for (std::int32_t value : unknown) {
        SCOPED_TRACE(value);
        const auto code = static_cast<EffectCode>(value);
        EXPECT_FALSE(isKnownEffect(code));
        EXPECT_EQ(effectToDeviceNumber(code), 254);
        EXPECT_EQ(effectKey(code), "");
    }
    // No effect and STATIC share the number 0 on the wire.
    EXPECT_EQ(effectToDeviceNumber(EffectCode::NONE), 0);
    EXPECT_FALSE(isKnownEffect(EffectCode::NONE));
}

TEST(EffectCode, UnknownNumbersReadAsOff) {
    const std::uint8_t unknown[] = {9, 12, 175, 177, 215, 224, 253, 255};
    for (std::uint8_t number : unknown) {
        SCOPED_TRACE(int(number));
        EXPECT_EQ(deviceNumberToEffect(number), EffectCode::OFF);
    }
}

} // namespace
} // namespace lumetta
