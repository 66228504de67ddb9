#include "lighting/model/EffectBlock.h"

#include <gtest/gtest.h>

#include <cstddef>
#include <memory>

namespace lumetta {
namespace {

// Where in the layer the block of `code` starts, or -1 for none.
std::ptrdiff_t blockOffset(LayerRecord& layer, EffectCode code, CustomMemory memory) {
    return std::visit(
        [&](auto block) -> std::ptrdiff_t {
            if constexpr (std::is_same_v<decltype(block), std::monostate>) {
                return -1;
            } else {
                return reinterpret_cast<const std::byte*>(block) -
                       reinterpret_cast<const std::byte*>(&layer);
            }
        },
        effectBlock(layer, code, memory));
}

TEST(EffectBlock, EachEffectFindsItsBlock) {
    struct Row {
        EffectCode code;
        CustomMemory memory;
        std::ptrdiff_t offset;
    };
    const auto M1 = CustomMemory::MEMORY1;
    const auto M2 = CustomMemory::MEMORY2;
    const Row rows[] = {
        {EffectCode::STATIC, M1, 268},       {EffectCode::COLOR_WAVE, M1, 280},
        {EffectCode::CROSS_LINE, M1, 292},   {EffectCode::SINGLE_KEY, M1, 304},
        {EffectCode::STAR_EFFECT, M1, 320},  {EffectCode::RAIN_DROP, M1, 336},
        {EffectCode::COLOR_CYCLE, M1, 352},  {EffectCode::BREATH, M2, 356},
        {EffectCode::RIPPLE, M1, 368},       {EffectCode::AURORA_MODE, M1, 384},
        {EffectCode::CUSTOMIZE, M1, 396},    {EffectCode::CUSTOMIZE, M2, 964},
        {EffectCode::GAME_SNAKE, M1, 1532},  {EffectCode::MULTILAYER, M1, -1},
        {EffectCode::SYSTEM_STATUS, M1, -1}, {EffectCode::OFF, M1, -1},
        {EffectCode::NONE, M1, -1},          {static_cast<EffectCode>(0x100B), M1, -1},
    };
    auto layer = std::make_unique<LayerRecord>();
    for (const Row& row : rows) {
        SCOPED_TRACE(::testing::Message() << std::hex << toInt(row.code));
        EXPECT_EQ(blockOffset(*layer, row.code, row.memory), row.offset);
    }
}

} // namespace
} // namespace lumetta
