#include "platform/gfx/Painter.h"

#include "support/ReferenceImages.h"

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

namespace lumetta::gfx {
namespace {

constexpr SysColor kRed = sysColor(255, 0, 0);
constexpr SysColor kBlue = sysColor(0, 0, 255);
constexpr SysColor kWhite = sysColor(255, 255, 255);
constexpr SysColor kBlack = sysColor(0, 0, 0);

const test::ReferenceImages& references() {
    static test::ReferenceImages refs(LUMETTA_SOURCE_DIR "/tests/platform/gfx/references");
    return refs;
}

// One character per pixel: '.' transparent, R red, B blue, W white, K black, '?' anything else.
std::string ascii(const Surface& s) {
    const std::map<Pixel, char> names = {{0, '.'},
                                         {pixelFromSysColor(kRed), 'R'},
                                         {pixelFromSysColor(kBlue), 'B'},
                                         {pixelFromSysColor(kWhite), 'W'},
                                         {pixelFromSysColor(kBlack), 'K'}};
    std::string out;
    for (int y = 0; y < s.height(); ++y) {
        for (int x = 0; x < s.width(); ++x) {
            auto it = names.find(s.pixel(x, y));
            out += it == names.end() ? '?' : it->second;
        }
        out += '\n';
    }
    return out;
}

std::string rows(std::initializer_list<const char*> lines) {
    std::string out;
    for (const char* l : lines) {
        out += std::string(l) + "\n";
    }
    return out;
}

Surface filled(int w, int h, SysColor c) {
    Surface s(w, h);
    s.fill(pixelFromSysColor(c));
    return s;
}

TEST(Painter, FillsFramesAndClears) {
    Surface s(5, 4);
    Painter p(s);
    p.fill(Rect{0, 0, 5, 4}, kWhite);
    p.frame(Rect{0, 0, 5, 4}, kRed);
    p.fill(Rect{2, 1, 3, 3}, kBlue);
    p.clear(Rect{4, 3, 9, 9});
    EXPECT_EQ(ascii(s), rows({"RRRRR", "RWBWR", "RWBWR", "RRRR."}));
}

TEST(Painter, LinesLeaveOutTheirEndPoint) {
    struct Case {
        Point from;
        Point to;
        std::string expected;
    };
    const Case cases[] = {
        {{0, 0}, {4, 0}, rows({"RRRR.", ".....", ".....", "....."})},
        {{4, 1}, {0, 1}, rows({".....", ".RRRR", ".....", "....."})},
        {{2, 3}, {2, 0}, rows({".....", "..R..", "..R..", "..R.."})},
        {{0, 0}, {4, 4}, rows({"R....", ".R...", "..R..", "...R."})},
        {{1, 1}, {1, 1}, rows({".....", ".....", ".....", "....."})},
    };
    for (const Case& c : cases) {
        Surface s(5, 4);
        Painter p(s);
        p.line(c.from, c.to, kRed);
        EXPECT_EQ(ascii(s), c.expected)
            << c.from.x << "," << c.from.y << " to " << c.to.x << "," << c.to.y;
    }
}

TEST(Painter, OriginAndClipStack) {
    Surface s(6, 4);
    Painter p(s);
    p.save();
    p.translate(2, 1);
    EXPECT_EQ(p.origin(), (Point{2, 1}));
    p.clip(Rect{0, 0, 3, 2});
    EXPECT_EQ(p.clipBounds(), (Rect{0, 0, 3, 2}));
    p.fill(Rect{-5, -5, 50, 50}, kRed); // only the clipped 3 x 2 at (2, 1)
    p.save();
    p.translate(1, 1);
    p.clip(Rect{0, 0, 10, 10}); // cannot widen the clip
    EXPECT_EQ(p.clipBounds(), (Rect{0, 0, 2, 1}));
    p.fill(Rect{0, 0, 10, 10}, kBlue);
    p.restore();
    EXPECT_EQ(p.origin(), (Point{2, 1}));
    p.restore();
    p.restore(); // unbalanced restore is ignored
    EXPECT_EQ(p.depth(), 0);
    EXPECT_EQ(p.origin(), (Point{0, 0}));
    EXPECT_EQ(p.clipBounds(), (Rect{0, 0, 6, 4}));
    p.fill(Rect{0, 3, 1, 4}, kWhite); // the whole surface is reachable again
    EXPECT_EQ(ascii(s), rows({"......", "..RRR.", "..RBB.", "W....."}));
    EXPECT_FALSE(p.isVisible(Rect{6, 0, 8, 2}));

    Region shape(Rect{0, 0, 1, 1});
    shape.unite(Rect{5, 0, 6, 1});
    p.save();
    p.clip(shape);
    p.fill(Rect{0, 0, 6, 1}, kBlack);
    p.restore();
    EXPECT_EQ(ascii(s).substr(0, 7), "K....K\n");
}

TEST(Painter, CopiesReplaceAndCutToTheSource) {
    Surface src(2, 2);
    src.fill(pixelFromSysColor(kRed));
    src.setPixel(1, 1, 0); // transparent pixel is copied as transparent
    Surface s = filled(4, 3, kBlue);
    Painter p(s);
    p.copy(src, Rect{0, 0, 2, 2}, Point{1, 0});
    // A source rectangle reaching outside the source copies only the real pixels.
    p.copy(src, Rect{-1, 1, 1, 3}, Point{0, 2});
    EXPECT_EQ(ascii(s), rows({"BRRB", "BR.B", "BRBB"}));
    p.copy(Surface(), Point{0, 0}); // nothing to copy: nothing happens
    EXPECT_EQ(s.pixel(0, 0), pixelFromSysColor(kBlue));
}

TEST(Painter, CopyInsideOneSurfaceMovesPixels) {
    Surface s(4, 1);
    s.setPixel(0, 0, pixelFromSysColor(kRed));
    s.setPixel(1, 0, pixelFromSysColor(kBlue));
    Painter p(s);
    p.copy(s, Rect{0, 0, 3, 1}, Point{1, 0});
    EXPECT_EQ(ascii(s), rows({"RRB."}));
}

TEST(Painter, AlphaCopiesAndBlends) {
    Surface src(2, 1);
    src.setPixel(0, 0, pixelFromSysColor(kWhite));
    src.setPixel(1, 0, pixelFromSysColor(kWhite, 128));
    struct Case {
        const char* name;
        std::uint8_t alpha;
        bool perPixel;
        Pixel first;
        Pixel second;
    };
    const Case cases[] = {
        {"constant half", 128, false, 0xFF808080, 0xFF404040},
        {"per-pixel", 255, true, 0xFFFFFFFF, 0xFF808080},
        {"per-pixel and constant", 128, true, 0xFF808080, 0xFF404040},
        {"alpha zero", 0, true, 0xFF000000, 0xFF000000},
    };
    for (const Case& c : cases) {
        Surface s = filled(2, 1, kBlack);
        Painter p(s);
        if (c.perPixel) {
            p.blend(src, src.bounds(), Point{0, 0}, c.alpha);
        } else {
            p.copyAlpha(src, src.bounds(), Point{0, 0}, c.alpha);
        }
        EXPECT_NEAR(pixelRed(s.pixel(0, 0)), pixelRed(c.first), 1) << c.name;
        EXPECT_NEAR(pixelRed(s.pixel(1, 0)), pixelRed(c.second), 1) << c.name;
        EXPECT_EQ(pixelAlpha(s.pixel(1, 0)), 255) << c.name;
    }
}

TEST(Painter, ColourKeyLeavesKeyPixelsAlone) {
    Surface src(3, 2);
    src.fill(pixelFromSysColor(kWhite));
    src.setPixel(0, 0, pixelFromSysColor(kRed));
    src.setPixel(2, 1, pixelFromSysColor(kBlack));
    Surface s = filled(3, 2, kBlue);
    Painter p(s);
    p.copyKeyed(src, src.bounds(), Point{0, 0}, kWhite);
    EXPECT_EQ(ascii(s), rows({"RBB", "BBK"}));
    p.copyKeyed(src, src.bounds(), Point{0, 0}, kBlack);
    EXPECT_EQ(ascii(s), rows({"RWW", "WWK"}));
}

TEST(Painter, StretchNearestAndSmooth) {
    Surface src(2, 1);
    src.setPixel(0, 0, pixelFromSysColor(kRed));
    src.setPixel(1, 0, pixelFromSysColor(kBlue));
    Surface s(5, 2);
    Painter p(s);
    p.stretch(src, src.bounds(), Rect{0, 0, 4, 2});
    EXPECT_EQ(ascii(s), rows({"RRBB.", "RRBB."}));
    p.stretch(src, Rect{1, 0, 2, 1}, Rect{4, 0, 5, 2}); // one pixel to a column
    EXPECT_EQ(ascii(s), rows({"RRBBB", "RRBBB"}));

    Surface smooth(8, 1);
    Painter q(smooth);
    q.stretch(src, src.bounds(), Rect{0, 0, 8, 1}, StretchFilter::Smooth);
    // Ends keep the source colours, the middle mixes them.
    EXPECT_EQ(smooth.pixel(0, 0), pixelFromSysColor(kRed));
    EXPECT_EQ(smooth.pixel(7, 0), pixelFromSysColor(kBlue));
    EXPECT_GT(pixelRed(smooth.pixel(4, 0)), 0);
    EXPECT_GT(pixelBlue(smooth.pixel(4, 0)), 0);
}

TEST(Painter, ShapesMatchReferences) {
    Surface s = filled(40, 24, kWhite);
    Painter p(s);
    p.ellipse(Rect{1, 1, 12, 12}, std::nullopt, kBlack); // an 11-pixel circle marker
    p.ellipse(Rect{14, 2, 24, 10}, kBlue, kRed);
    p.triangle({27, 2}, {37, 2}, {32, 9}, kRed, kBlack);
    p.triangle({2, 14}, {9, 18}, {2, 22}, kBlue, std::nullopt);
    p.save();
    p.setSmooth(true);
    p.ellipse(Rect{14, 13, 24, 23}, kRed, std::nullopt);
    p.restore();
    const Point star[] = {{27, 13}, {37, 13}, {27, 22}, {37, 22}};
    p.polygon(star, std::nullopt, kBlue);
    EXPECT_TRUE(references().matches(s, "painter_shapes"));
    // An 11-pixel circle touches its box on all four sides and leaves the corners.
    EXPECT_EQ(s.colorAt(6, 1), kBlack);
    EXPECT_EQ(s.colorAt(6, 11), kBlack);
    EXPECT_EQ(s.colorAt(1, 6), kBlack);
    EXPECT_EQ(s.colorAt(11, 6), kBlack);
    EXPECT_EQ(s.colorAt(1, 1), kWhite);
    EXPECT_EQ(s.colorAt(6, 6), kWhite);
}

TEST(Painter, EmptyTargetIsHarmless) {
    Surface none;
    Painter p(none);
    p.fill(Rect{0, 0, 10, 10}, kRed);
    p.line({0, 0}, {5, 5}, kRed);
    Rect r{0, 0, 100, 20};
    p.drawText("text", r, TextFormat::SingleLine);
    EXPECT_TRUE(p.clipBounds().empty());
}

} // namespace
} // namespace lumetta::gfx
