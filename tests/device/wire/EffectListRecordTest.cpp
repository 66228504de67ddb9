#include "device/wire/EffectListRecord.h"

#include <gtest/gtest.h>

#include <memory>
#include <vector>

namespace lumetta {
namespace {

using E = EffectCode;

std::vector<int> numbersOf(const EffectListRecord& record) {
    return {std::begin(record.numbers), std::end(record.numbers)};
}

std::vector<int> padded(std::vector<int> numbers, std::size_t size, int fill) {
    numbers.resize(size, fill);
    return numbers;
}

TEST(EffectListRecord, PacksListedEffectsInOrder) {
    struct Row {
        const char* what;
        std::vector<E> list;
        std::vector<int> expected;
    };
    const Row rows[] = {
        {"fresh layer", {E::OFF}, {254}},
        {"customize and status are not listed",
         {E::STATIC, E::CUSTOMIZE, E::MULTILAYER, E::SYSTEM_STATUS, E::OFF, E::BREATH},
         {0, 225, 254, 2}},
        {"every effect with an entry",
         {E::COLOR_CYCLE, E::SINGLE_KEY, E::COLOR_WAVE, E::AURORA_MODE, E::RIPPLE, E::RAIN_DROP,
          E::GAME_SNAKE, E::CROSS_LINE, E::STAR_EFFECT, E::STATIC, E::BREATH},
         {1, 3, 4, 5, 6, 7, 8, 10, 11, 0, 2}},
        {"unknown codes are skipped", {static_cast<E>(0x100B), E::RIPPLE}, {6}},
        // Only as many slots as effectCount are walked: an entry after a hole is not reached.
        {"walk stops after effectCount slots", {E::STATIC, E::NONE, E::BREATH}, {0}},
        {"empty list", {}, {}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        auto layer = std::make_unique<LayerRecord>();
        for (std::size_t i = 0; i < row.list.size(); ++i) {
            layer->effectList[i] = row.list[i];
        }
        EXPECT_EQ(numbersOf(packEffectList(*layer)), padded(row.expected, 18, 0xFF));
    }
}

TEST(EffectListRecord, UnpacksIntoPackedSlots) {
    struct Row {
        const char* what;
        std::vector<int> numbers;
        std::vector<E> expected;
    };
    const Row rows[] = {
        {"gaps close up", {0, 0xFF, 2, 0xFF, 225}, {E::STATIC, E::BREATH, E::MULTILAYER}},
        {"unknown numbers read as off",
         {9, 176, 177, 216},
         {E::OFF, E::CUSTOMIZE, E::OFF, E::SYSTEM_STATUS}},
        {"bytes past the eleventh are ignored",
         {1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 254, 2, 2, 2, 2, 2, 2, 2},
         {E::COLOR_CYCLE, E::COLOR_CYCLE, E::COLOR_CYCLE, E::COLOR_CYCLE, E::COLOR_CYCLE,
          E::COLOR_CYCLE, E::COLOR_CYCLE, E::COLOR_CYCLE, E::COLOR_CYCLE, E::COLOR_CYCLE, E::OFF}},
        {"empty record", {}, {}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        EffectListRecord record;
        const std::vector<int> bytes = padded(row.numbers, 18, 0xFF);
        std::copy(bytes.begin(), bytes.end(), record.numbers);
        auto layer = std::make_unique<LayerRecord>();
        std::fill(std::begin(layer->effectList), std::end(layer->effectList), E::RIPPLE);
        layer->staticParams.filled = 0x5A; // right after the list; must stay untouched
        unpackEffectList(record, *layer);
        std::vector<E> expected = row.expected;
        expected.resize(EFFECT_LIST_SLOTS, E::NONE);
        EXPECT_EQ(std::vector<E>(std::begin(layer->effectList), std::end(layer->effectList)),
                  expected);
        EXPECT_EQ(layer->staticParams.filled, 0x5A);
    }
}

} // namespace
} // namespace lumetta
