#include "platform/gfx/Region.h"
#include "platform/gfx/Surface.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace lumetta::gfx {
namespace {

// Pixels of a region on a small grid, one string per row ('#' in, '.' out), for messages and
// for checking against a model independent of the rectangle layout.
std::vector<std::string> picture(const Region& r, int w = 8, int h = 6) {
    std::vector<std::string> rows;
    for (int y = 0; y < h; ++y) {
        std::string row;
        for (int x = 0; x < w; ++x) {
            row += r.contains(Point{x, y}) ? '#' : '.';
        }
        rows.push_back(row);
    }
    return rows;
}

std::string joined(const std::vector<std::string>& rows) {
    std::string s;
    for (const auto& r : rows) {
        s += r + "\n";
    }
    return s;
}

enum class Op { Unite, Intersect, Subtract };

struct OpCase {
    const char* name;
    std::vector<Rect> a;
    std::vector<Rect> b;
    Op op;
    std::vector<std::string> expected;
};

TEST(Region, SetOperations) {
    const OpCase cases[] = {
        {"disjoint union",
         {{0, 0, 2, 2}},
         {{4, 1, 6, 3}},
         Op::Unite,
         {"##......", "##..##..", "....##..", "........", "........", "........"}},
        {"overlapping union",
         {{0, 0, 3, 3}},
         {{2, 2, 5, 4}},
         Op::Unite,
         {"###.....", "###.....", "#####...", "..###...", "........", "........"}},
        {"intersection",
         {{0, 0, 3, 3}},
         {{2, 2, 5, 4}},
         Op::Intersect,
         {"........", "........", "..#.....", "........", "........", "........"}},
        {"empty intersection", {{0, 0, 2, 2}}, {{2, 2, 4, 4}}, Op::Intersect, {}},
        {"hole",
         {{0, 0, 5, 5}},
         {{1, 1, 4, 4}},
         Op::Subtract,
         {"#####...", "#...#...", "#...#...", "#...#...", "#####...", "........"}},
        {"subtract all", {{1, 1, 3, 3}}, {{0, 0, 4, 4}}, Op::Subtract, {}},
        {"subtract nothing",
         {{1, 1, 3, 2}},
         {},
         Op::Subtract,
         {"........", ".##.....", "........", "........", "........", "........"}},
        {"union with empty rect",
         {{1, 1, 3, 2}},
         {{5, 5, 5, 9}},
         Op::Unite,
         {"........", ".##.....", "........", "........", "........", "........"}},
    };
    for (const OpCase& c : cases) {
        Region a = Region::fromRects(c.a);
        Region b = Region::fromRects(c.b);
        switch (c.op) {
        case Op::Unite:
            a.unite(b);
            break;
        case Op::Intersect:
            a.intersect(b);
            break;
        case Op::Subtract:
            a.subtract(b);
            break;
        }
        std::vector<std::string> want = c.expected;
        if (want.empty()) {
            want.assign(6, "........");
            EXPECT_TRUE(a.empty()) << c.name;
            EXPECT_EQ(a.bounds(), Rect{}) << c.name;
        }
        EXPECT_EQ(joined(picture(a)), joined(want)) << c.name;
    }
}

TEST(Region, PointAndRectangleTestsAndTranslation) {
    Region r(Rect{2, 2, 6, 4});
    r.unite(Rect{10, 10, 11, 11});
    EXPECT_TRUE(r.contains(Point{2, 2}));
    EXPECT_FALSE(r.contains(Point{6, 2})); // right edge is outside
    EXPECT_FALSE(r.contains(Point{2, 4})); // bottom edge is outside
    EXPECT_TRUE(r.contains(Rect{3, 2, 6, 4}));
    EXPECT_FALSE(r.contains(Rect{3, 2, 7, 4}));
    EXPECT_TRUE(r.intersects(Rect{5, 3, 20, 20}));
    EXPECT_FALSE(r.intersects(Rect{6, 4, 10, 10}));
    EXPECT_EQ(r.bounds(), (Rect{2, 2, 11, 11}));
    r.translate(-2, 1);
    EXPECT_TRUE(r.contains(Point{0, 3}));
    EXPECT_TRUE(r.contains(Point{8, 11}));
    EXPECT_EQ(r.rectCount(), 2);

    Region copy = r;
    copy.subtract(Rect{0, 0, 100, 100});
    EXPECT_TRUE(copy.empty());
    EXPECT_FALSE(r.empty()); // copies are independent
    Region moved = std::move(copy);
    EXPECT_TRUE(moved.empty());
}

// Builds a picture from rows: '#' black, '.' white, 'g' almost white, 't' transparent,
// 'w' white at half alpha.
Surface mask(const std::vector<std::string>& rows) {
    Surface s(int(rows[0].size()), int(rows.size()));
    for (int y = 0; y < s.height(); ++y) {
        for (int x = 0; x < s.width(); ++x) {
            Pixel p = 0;
            switch (rows[std::size_t(y)][std::size_t(x)]) {
            case '#':
                p = pixelFromSysColor(0);
                break;
            case '.':
                p = pixelFromSysColor(0xFFFFFF);
                break;
            case 'g':
                p = pixelFromSysColor(sysColor(255, 254, 255));
                break;
            case 'w':
                p = pixelFromSysColor(0xFFFFFF, 128);
                break;
            default:
                p = 0;
            }
            s.setPixel(x, y, p);
        }
    }
    return s;
}

struct MaskCase {
    const char* name;
    std::vector<std::string> mask;
    std::vector<std::string> region; // expected membership, same layout
    int rects;                       // rectangles after merging equal rows
};

TEST(Region, FromPicture) {
    const MaskCase cases[] = {
        {"all white", {"...", "..."}, {"...", "..."}, 0},
        {"one black pixel", {"#"}, {"#"}, 1},
        {"almost white counts", {".g.", "..."}, {".#.", "..."}, 1},
        {"transparent and half-alpha white are outside", {"t#w", "#tw"}, {".#.", "#.."}, 2},
        {"solid block merges rows", {"###", "###", "###"}, {"###", "###", "###"}, 1},
        {"two columns", {"#.#", "#.#", "#.#"}, {"#.#", "#.#", "#.#"}, 2},
        {"ring", {"####", "#..#", "####"}, {"####", "#..#", "####"}, 4},
        {"staircase", {"#..", ".#.", "..#"}, {"#..", ".#.", "..#"}, 3},
    };
    for (const MaskCase& c : cases) {
        Region r = regionFromPicture(mask(c.mask));
        int w = int(c.mask[0].size());
        int h = int(c.mask.size());
        EXPECT_EQ(joined(picture(r, w, h)), joined(c.region)) << c.name;
        EXPECT_EQ(r.rectCount(), c.rects) << c.name;
        EXPECT_TRUE(r.bounds().intersected(Rect{0, 0, w, h}) == r.bounds()) << c.name;
    }
    EXPECT_TRUE(regionFromPicture(Surface()).empty());
}

} // namespace
} // namespace lumetta::gfx
