#include "lighting/model/CustomPreset.h"

#include "KeyMapFixture.h"

#include <gtest/gtest.h>

namespace lumetta {
namespace {

Color paletteColorAt(std::uint8_t row, std::uint8_t column) {
    KeyMap map;
    map.keyRow[0] = row;
    map.keyColumn[0] = column;
    CustomParams memory{};
    memory.presetKind = PresetKind::PALETTE;
    fillCustomPreset(memory, map);
    return memory.keyColor[0];
}

TEST(CustomPreset, PaletteColours) {
    struct Row {
        int row, column;
        Color expected;
    };
    const Row rows[] = {
        {1, 1, 0x00AFAFFF},                       // lightest row: a pale red
        {3, 9, 0x000EFF03},                       // hue sector 2, full chroma
        {5, 13, 0x00564D00},                      // odd sector, dark row
        {2, 17, 0x00FF596C},                      // sector 4
        {6, 1, 0x00000000},                       // grey row starts black ...
        {6, 13, 0x00858585}, {6, 24, 0x00FFFFFF}, // ... and ends white
        {6, 0, 0x000B0B0B},                       // column 0 wraps to hue 11
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(::testing::Message() << "row " << row.row << " column " << row.column);
        EXPECT_EQ(paletteColorAt(row.row, row.column), row.expected);
    }
}

TEST(CustomPreset, GreyRowRisesWithColumnAndFirstRowIsLightest) {
    for (int column = 2; column <= 24; ++column) {
        SCOPED_TRACE(column);
        const Color before = paletteColorAt(6, column - 1);
        const Color grey = paletteColorAt(6, column);
        EXPECT_EQ(colorRed(grey), colorGreen(grey));
        EXPECT_EQ(colorRed(grey), colorBlue(grey));
        EXPECT_GT(colorRed(grey), colorRed(before));
        auto sum = [](Color c) { return colorRed(c) + colorGreen(c) + colorBlue(c); };
        for (int row = 2; row <= 5; ++row) {
            EXPECT_GT(sum(paletteColorAt(1, column)), sum(paletteColorAt(row, column)));
        }
    }
}

TEST(CustomPreset, FillWalksAllSlotsAndLightsEveryKey) {
    KeyMap map = testing::smallKeyMap();
    map.keyCount = 1;       // presets ignore keyCount
    map.keyLed[100] = 0x0A; // a slot past keyCount still gets its colour
    CustomParams memory{};
    memory.presetKind = PresetKind::WASD;
    fillCustomPreset(memory, map);
    EXPECT_EQ(memory.keyColor[1], 0x0000FF00u);
    EXPECT_EQ(memory.keyColor[100], 0x000000FFu);
    for (std::uint8_t lit : memory.keyLit) {
        ASSERT_EQ(lit, 1);
    }

    memory.presetKind = PresetKind::CUSTOM;
    fillCustomPreset(memory, map);
    for (Color color : memory.keyColor) {
        ASSERT_EQ(color, 0u);
    }
}

TEST(CustomPreset, RecognisesExactPresetsOnly) {
    const KeyMap map = testing::smallKeyMap();
    for (PresetKind kind : {PresetKind::WASD, PresetKind::ARROWS, PresetKind::PALETTE}) {
        SCOPED_TRACE(static_cast<int>(kind));
        CustomParams memory{};
        memory.presetKind = kind;
        fillCustomPreset(memory, map);
        memory.presetKind = PresetKind::CUSTOM;
        recognisePreset(memory, map);
        EXPECT_EQ(memory.presetKind, kind);

        memory.keyColor[111] ^= 1; // one changed key, even past keyCount
        recognisePreset(memory, map);
        EXPECT_EQ(memory.presetKind, PresetKind::CUSTOM);
    }
}

} // namespace
} // namespace lumetta
