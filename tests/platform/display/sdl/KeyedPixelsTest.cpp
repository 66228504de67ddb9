// Finding the pixels of a window's key colour, which the display cuts out of its shape.
#include "platform/display/sdl/KeyedPixels.h"

#include <gtest/gtest.h>

#include <vector>

namespace lumetta::display {
namespace {

using gfx::Rect;

constexpr gfx::SysColor kKey = gfx::sysColor(0xF0, 0xF0, 0xF0);

// Builds a surface from rows of characters: 'k' the key colour, 't' transparent, anything else
// another colour.
gfx::Surface picture(const std::vector<const char*>& rows) {
    gfx::Surface s(int(std::string(rows.front()).size()), int(rows.size()));
    for (int y = 0; y < s.height(); ++y) {
        for (int x = 0; x < s.width(); ++x) {
            char c = rows[std::size_t(y)][x];
            gfx::Pixel p = c == 'k'   ? gfx::pixelFromSysColor(kKey)
                           : c == 't' ? 0
                                      : gfx::pixelFromSysColor(gfx::sysColor(0, 0, 200));
            s.setPixel(x, y, p);
        }
    }
    return s;
}

TEST(KeyedPixels, RunsOfTheKeyColourInsideTheArea) {
    gfx::Surface s = picture({
        "kk..k",
        "kk..k",
        ".tkk.",
    });
    struct Row {
        const char* what;
        Rect area;
        std::vector<Rect> expected;
    } rows[] = {
        {"whole picture", s.bounds(), {{0, 0, 2, 2}, {4, 0, 5, 2}, {2, 2, 4, 3}}},
        {"area cuts runs", {1, 0, 5, 1}, {{1, 0, 2, 1}, {4, 0, 5, 1}}},
        {"area beyond the picture", {-5, 2, 50, 50}, {{2, 2, 4, 3}}},
        {"no key inside", {2, 0, 4, 2}, {}},
        {"empty area", {3, 3, 3, 3}, {}},
    };
    for (const Row& r : rows) {
        gfx::Region region = keyedPixels(s, r.area, kKey);
        EXPECT_EQ(region, gfx::Region::fromRects(r.expected)) << r.what;
    }
}

TEST(KeyedPixels, OnlyTheExactColourCounts) {
    gfx::Surface s(3, 1);
    s.setPixel(0, 0, gfx::pixelFromSysColor(gfx::sysColor(0xF0, 0xF0, 0xEF)));
    s.setPixel(1, 0, gfx::pixelFromSysColor(kKey));
    s.setPixel(2, 0, gfx::pixelFromSysColor(gfx::sysColor(0xEF, 0xF0, 0xF0)));
    EXPECT_EQ(keyedPixels(s, s.bounds(), kKey), gfx::Region(Rect{1, 0, 2, 1}));
    EXPECT_TRUE(keyedPixels(gfx::Surface(), Rect{0, 0, 10, 10}, kKey).empty());
}

} // namespace
} // namespace lumetta::display
