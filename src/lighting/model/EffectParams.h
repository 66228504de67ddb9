#pragma once

#include "lighting/model/Color.h"
#include "lighting/model/PlainRecord.h"

#include <cstddef>
#include <cstdint>

namespace lumetta {

// The per-effect parameter blocks of a layer. Profile files keep them byte for byte, so every
// field sits at a fixed offset and every reserved byte is spelled out (the blocks have no
// implicit padding and compare equal exactly when their bytes do). `filled` is 1 in a fresh
// layer and whenever the block was filled from the keyboard. Speeds are levels 0..6 (0..4 for
// CROSS_LINE and STAR_EFFECT), percents levels 0..4; the wire encoder turns them into device
// values.

struct StaticParams {
    std::uint8_t filled;
    std::uint8_t reserved1[3];
    Color color;
    std::uint8_t reserved8[4];
    bool operator==(const StaticParams&) const = default;
};

struct WaveParams {
    std::uint8_t filled;
    std::uint8_t direction; // index of the wave page's four direction buttons
    std::uint8_t randomColor;
    std::uint8_t reserved3;
    Color color;
    std::uint8_t speed;
    std::uint8_t reserved9[3];
    bool operator==(const WaveParams&) const = default;
};

struct CrossLineParams {
    std::uint8_t filled;
    std::uint8_t useFirstColor; // which colour the LED page previews: 1 color, else backColor
    std::uint8_t reserved2;
    std::uint8_t speed;
    Color color;
    Color backColor;
    bool operator==(const CrossLineParams&) const = default;
};

struct SingleKeyParams {
    std::uint8_t filled;
    std::uint8_t reserved1[3];
    Color color;
    Color backColor;
    std::uint8_t speed;
    std::uint8_t randomColor;
    std::uint8_t reserved14[2];
    bool operator==(const SingleKeyParams&) const = default;
};

struct StarParams {
    std::uint8_t filled;
    std::uint8_t reserved1[3];
    Color color;
    Color backColor;
    std::uint8_t speed;
    std::uint8_t reserved13[3];
    bool operator==(const StarParams&) const = default;
};

struct RaindropParams {
    std::uint8_t filled;
    std::uint8_t reserved1[3];
    Color color;
    Color backColor;
    std::uint8_t randomColor;
    std::uint8_t speed;
    std::uint8_t percent;
    std::uint8_t reserved15;
    bool operator==(const RaindropParams&) const = default;
};

struct ColorCycleParams {
    std::uint8_t filled;
    std::uint8_t speed;
    std::uint8_t percent;
    std::uint8_t reserved3;
    bool operator==(const ColorCycleParams&) const = default;
};

struct BreathParams {
    std::uint8_t filled;
    std::uint8_t reserved1[3];
    Color color;
    std::uint8_t speed;
    std::uint8_t reserved9;
    std::uint8_t randomColor;
    std::uint8_t reserved11;
    bool operator==(const BreathParams&) const = default;
};

struct RippleParams {
    std::uint8_t filled;
    std::uint8_t reserved1[3];
    Color color;
    Color backColor;
    std::uint8_t speed;
    std::uint8_t randomColor;
    std::uint8_t reserved14[2];
    bool operator==(const RippleParams&) const = default;
};

struct AuroraParams {
    std::uint8_t filled;
    std::uint8_t speed;
    std::uint8_t randomColor;
    std::uint8_t reserved3;
    Color color;
    Color backColor;
    bool operator==(const AuroraParams&) const = default;
};

struct SnakeParams {
    std::uint8_t filled;
    std::uint8_t speed;
    std::uint8_t direction; // index of the snake page's two direction buttons
    std::uint8_t randomColor;
    Color color;
    Color backColor;
    bool operator==(const SnakeParams&) const = default;
};

LUMETTA_PLAIN_BLOCK(StaticParams, 12);
static_assert(offsetof(StaticParams, color) == 4);

LUMETTA_PLAIN_BLOCK(WaveParams, 12);
static_assert(offsetof(WaveParams, direction) == 1 && offsetof(WaveParams, randomColor) == 2);
static_assert(offsetof(WaveParams, color) == 4 && offsetof(WaveParams, speed) == 8);

LUMETTA_PLAIN_BLOCK(CrossLineParams, 12);
static_assert(offsetof(CrossLineParams, useFirstColor) == 1 &&
              offsetof(CrossLineParams, speed) == 3);
static_assert(offsetof(CrossLineParams, color) == 4 && offsetof(CrossLineParams, backColor) == 8);

LUMETTA_PLAIN_BLOCK(SingleKeyParams, 16);
static_assert(offsetof(SingleKeyParams, color) == 4 && offsetof(SingleKeyParams, backColor) == 8);
static_assert(offsetof(SingleKeyParams, speed) == 12 &&
              offsetof(SingleKeyParams, randomColor) == 13);

LUMETTA_PLAIN_BLOCK(StarParams, 16);
static_assert(offsetof(StarParams, color) == 4 && offsetof(StarParams, backColor) == 8);
static_assert(offsetof(StarParams, speed) == 12);

LUMETTA_PLAIN_BLOCK(RaindropParams, 16);
static_assert(offsetof(RaindropParams, color) == 4 && offsetof(RaindropParams, backColor) == 8);
static_assert(offsetof(RaindropParams, randomColor) == 12 && offsetof(RaindropParams, speed) == 13);
static_assert(offsetof(RaindropParams, percent) == 14);

LUMETTA_PLAIN_BLOCK(ColorCycleParams, 4);
static_assert(offsetof(ColorCycleParams, speed) == 1 && offsetof(ColorCycleParams, percent) == 2);

LUMETTA_PLAIN_BLOCK(BreathParams, 12);
static_assert(offsetof(BreathParams, color) == 4 && offsetof(BreathParams, speed) == 8);
static_assert(offsetof(BreathParams, randomColor) == 10);

LUMETTA_PLAIN_BLOCK(RippleParams, 16);
static_assert(offsetof(RippleParams, color) == 4 && offsetof(RippleParams, backColor) == 8);
static_assert(offsetof(RippleParams, speed) == 12 && offsetof(RippleParams, randomColor) == 13);

LUMETTA_PLAIN_BLOCK(AuroraParams, 12);
static_assert(offsetof(AuroraParams, speed) == 1 && offsetof(AuroraParams, randomColor) == 2);
static_assert(offsetof(AuroraParams, color) == 4 && offsetof(AuroraParams, backColor) == 8);

LUMETTA_PLAIN_BLOCK(SnakeParams, 12);
static_assert(offsetof(SnakeParams, speed) == 1 && offsetof(SnakeParams, direction) == 2);
static_assert(offsetof(SnakeParams, randomColor) == 3 && offsetof(SnakeParams, color) == 4);
static_assert(offsetof(SnakeParams, backColor) == 8);

} // namespace lumetta
