#include "platform/gfx/Text.h"
#include "platform/gfx/Font.h"
#include "platform/gfx/Painter.h"
#include "platform/gfx/PrivateFonts.h"
#include "platform/gfx/TextEngine.h"

#include "support/ReferenceImages.h"

#include <gtest/gtest.h>

#include <fstream>
#include <functional>
#include <string>

namespace lumetta::gfx {
namespace {

using enum TextFormat;

constexpr SysColor kWhite = sysColor(255, 255, 255);
constexpr SysColor kBlack = sysColor(0, 0, 0);
constexpr SysColor kRed = sysColor(255, 0, 0);

const test::ReferenceImages& references() {
    static test::ReferenceImages refs(LUMETTA_SOURCE_DIR "/tests/platform/gfx/references");
    return refs;
}

Font sans(int height = 16, int weight = 400) {
    return Font::create("DejaVu Sans", height, weight);
}

// The box of pixels that differ from the background.
Rect inkBounds(const Surface& s, Pixel background) {
    Rect ink;
    for (int y = 0; y < s.height(); ++y) {
        for (int x = 0; x < s.width(); ++x) {
            if (s.pixel(x, y) != background) {
                ink = ink.united(Rect{x, y, x + 1, y + 1});
            }
        }
    }
    return ink;
}

Surface drawn(const std::string& text, Rect rect, TextFormat flags, Size size = {100, 40},
              const Font& font = sans()) {
    Surface s(size.width, size.height);
    s.fill(pixelFromSysColor(kWhite));
    Painter p(s);
    p.setFont(font);
    p.setTextColor(kBlack);
    p.drawText(text, rect, flags);
    return s;
}

TEST(Font, PositiveHeightIsTheCellNegativeTheEm) {
    for (int h : {10, 12, 14, 16, 20, 27, 40}) {
        Font f = sans(h);
        EXPECT_EQ(f.cellHeight(), h) << "height " << h;
        EXPECT_EQ(f.ascent() + f.descent(), f.cellHeight());
        EXPECT_EQ(measureText(f, "Hg", Rect{0, 0, 200, 100}, SingleLine).height, h) << h;
    }
    // An em of 20 pixels has a cell about 1.16 times taller in this face.
    Font em = sans(-20);
    EXPECT_GE(em.cellHeight(), 22);
    EXPECT_LE(em.cellHeight(), 25);
    EXPECT_EQ(Font().cellHeight(), 16);
}

TEST(Font, FacesResolveByFamilyFullNameOrFallBack) {
    struct Case {
        const char* face;
        bool found;
        const char* family;
    };
    const Case cases[] = {
        {"DejaVu Sans", true, "DejaVu Sans"},
        {"dejavu sans", true, "dejavu sans"},
        {"DejaVu Sans Bold", true, "DejaVu Sans"},
        {"DejaVuSans-Bold", true, "DejaVu Sans"},
        {"No Such Face 4711", false, "No Such Face 4711"},
    };
    for (const Case& c : cases) {
        Font f = Font::create(c.face, 16);
        EXPECT_EQ(f.faceFound(), c.found) << c.face;
        EXPECT_EQ(f.family(), c.family) << c.face;
        // A missing face still lays text out with the fallback.
        EXPECT_GT(measureText(f, "Text", Rect{0, 0, 200, 40}, SingleLine).width, 0) << c.face;
    }
    // A full face name picks that face: bold by name is as wide as bold by weight.
    int byName =
        measureText(Font::create("DejaVu Sans Bold", 16), "Wide text", {0, 0, 400, 40}, SingleLine)
            .width;
    int byWeight = measureText(sans(16, 700), "Wide text", {0, 0, 400, 40}, SingleLine).width;
    int regular = measureText(sans(16, 400), "Wide text", {0, 0, 400, 40}, SingleLine).width;
    EXPECT_EQ(byName, byWeight);
    EXPECT_GT(byWeight, regular);
}

TEST(Font, EqualSpecsShareOneFont) {
    EXPECT_EQ(sans(14).id(), sans(14).id());
    EXPECT_NE(sans(14).id(), sans(15).id());
    EXPECT_NE(sans(14, 400).id(), sans(14, 700).id());
}

struct MeasureCase {
    const char* name;
    std::string text;
    Rect rect;
    TextFormat flags;
    std::function<bool(TextExtent, int cell)> check;
};

TEST(Text, MeasuresWithEveryFlag) {
    Font f = sans(16);
    int wide = measureText(f, "The quick brown fox", {0, 0, 1000, 100}, SingleLine).width;
    int file = measureText(f, "File", {0, 0, 1000, 100}, SingleLine).width;
    ASSERT_GT(wide, 100);
    const MeasureCase cases[] = {
        {"one line",
         "The quick brown fox",
         {0, 0, 1000, 100},
         Left,
         [&](TextExtent e, int cell) { return e.height == cell && e.width == wide; }},
        {"CR LF breaks lines",
         "one\r\ntwo",
         {0, 0, 200, 100},
         Left,
         [](TextExtent e, int cell) { return e.height == 2 * cell; }},
        {"lone CR and LF break too",
         "a\nb\rc",
         {0, 0, 200, 100},
         Left,
         [](TextExtent e, int cell) { return e.height == 3 * cell; }},
        {"single line ignores breaks",
         "one\r\ntwo",
         {0, 0, 200, 100},
         SingleLine,
         [](TextExtent e, int cell) { return e.height == cell; }},
        {"no word break: one long line",
         "The quick brown fox",
         {0, 0, 60, 100},
         Left,
         [&](TextExtent e, int cell) { return e.height == cell && e.width == wide; }},
        {"word break wraps inside the width",
         "The quick brown fox",
         {0, 0, 60, 100},
         WordBreak,
         [](TextExtent e, int cell) { return e.height >= 3 * cell && e.width <= 60; }},
        {"word break ignored on a single line",
         "The quick brown fox",
         {0, 0, 60, 100},
         WordBreak | SingleLine,
         [](TextExtent e, int cell) { return e.height == cell; }},
        {"end ellipsis cuts to the width",
         "The quick brown fox",
         {0, 0, 60, 100},
         SingleLine | EndEllipsis,
         [](TextExtent e, int cell) { return e.height == cell && e.width <= 60 && e.width > 30; }},
        {"ellipsis on wrapped text keeps the lines that fit",
         "The quick brown fox jumps over",
         {0, 0, 60, 36},
         WordBreak | EndEllipsis,
         [](TextExtent e, int cell) { return e.height == 2 * cell && e.width <= 60; }},
        {"prefix is hidden",
         "&File",
         {0, 0, 200, 40},
         SingleLine,
         [&](TextExtent e, int) { return e.width == file; }},
        {"no prefix shows the ampersand",
         "&File",
         {0, 0, 200, 40},
         SingleLine | NoPrefix,
         [&](TextExtent e, int) { return e.width > file; }},
        {"double ampersand shows one",
         "A&&B",
         {0, 0, 200, 40},
         SingleLine,
         [&](TextExtent e, int) {
             return e.width ==
                    measureText(sans(16), "A&B", {0, 0, 200, 40}, SingleLine | NoPrefix).width;
         }},
        {"empty text",
         "",
         {0, 0, 200, 40},
         WordBreak,
         [](TextExtent e, int) { return e == TextExtent{}; }},
    };
    for (const MeasureCase& c : cases) {
        TextExtent e = measureText(f, c.text, c.rect, c.flags);
        EXPECT_TRUE(c.check(e, f.cellHeight()))
            << c.name << ": " << e.width << " x " << e.height << " (cell " << f.cellHeight() << ")";
    }
}

TEST(Text, PlacesTextByAlignmentFlags) {
    const Pixel white = pixelFromSysColor(kWhite);
    Rect box{0, 0, 100, 40};
    struct Case {
        const char* name;
        TextFormat flags;
        std::function<bool(Rect ink)> check;
    };
    const Case cases[] = {
        {"left top", SingleLine, [](Rect i) { return i.left <= 2 && i.top <= 6; }},
        {"centre", SingleLine | Center,
         [](Rect i) { return std::abs((i.left + i.right) - 100) <= 3; }},
        {"right", SingleLine | Right, [](Rect i) { return i.right >= 97 && i.right <= 100; }},
        {"vertical centre", SingleLine | VCenter,
         [](Rect i) { return std::abs((i.top + i.bottom) - 40) <= 4; }},
        {"bottom", SingleLine | Bottom, [](Rect i) { return i.bottom >= 34 && i.bottom <= 40; }},
    };
    for (const Case& c : cases) {
        Rect ink = inkBounds(drawn("HHH", box, c.flags), white);
        EXPECT_FALSE(ink.empty()) << c.name;
        EXPECT_TRUE(c.check(ink)) << c.name << ": ink " << ink.left << "," << ink.top << " - "
                                  << ink.right << "," << ink.bottom;
    }
}

TEST(Text, CentresSeveralLinesAsABlock) {
    const Pixel white = pixelFromSysColor(kWhite);
    Rect box{0, 0, 100, 80};
    Rect top = inkBounds(drawn("HH\r\nHH", box, WordBreak | Center, {100, 80}), white);
    Rect centred =
        inkBounds(drawn("HH\r\nHH", box, WordBreak | Center | VCenter, {100, 80}), white);
    EXPECT_LE(top.top, 6);
    int above = centred.top;
    int below = 80 - centred.bottom;
    EXPECT_LE(std::abs(above - below), 3) << above << " above, " << below << " below";
    EXPECT_EQ(centred.height(), top.height()); // the block moved as a whole
}

TEST(Text, ClipsToTheRectangleUnlessAskedNotTo) {
    const Pixel white = pixelFromSysColor(kWhite);
    Rect small{10, 10, 30, 30};
    Rect clipped = inkBounds(drawn("Wide words here", small, SingleLine), white);
    EXPECT_EQ(clipped.intersected(small), clipped);
    Rect free = inkBounds(drawn("Wide words here", small, SingleLine | NoClip), white);
    EXPECT_GT(free.right, 40);
}

TEST(Text, CalculateOnlyDrawsNothingAndReturnsTheExtent) {
    Surface s(100, 40);
    s.fill(pixelFromSysColor(kWhite));
    Painter p(s);
    p.setFont(sans(16));
    Rect r{5, 5, 95, 35};
    int height = p.drawText("one\r\ntwo", r, CalcRect);
    EXPECT_EQ(height, 32);
    EXPECT_EQ(r.top, 5);
    EXPECT_EQ(r.bottom, 37);
    EXPECT_EQ(r.width(), measureText(sans(16), "one\r\ntwo", {0, 0, 90, 30}, Left).width);
    EXPECT_TRUE(inkBounds(s, pixelFromSysColor(kWhite)).empty());
}

TEST(Text, ColourAndBackground) {
    Surface s(60, 20);
    s.fill(pixelFromSysColor(kWhite));
    Painter p(s);
    p.setFont(sans(16, 700));
    p.setTextColor(kRed);
    p.drawText("III", Rect{0, 0, 60, 20}, SingleLine);
    bool pureRed = false;
    for (int y = 0; y < 20; ++y) {
        for (int x = 0; x < 60; ++x) {
            SysColor c = s.colorAt(x, y);
            pureRed = pureRed || c == kRed;
            EXPECT_EQ(sysRed(c), 255) << "only shades between white and red";
        }
    }
    EXPECT_TRUE(pureRed);
    EXPECT_EQ(s.colorAt(59, 19), kWhite); // transparent background by default

    p.setTextBackground(kBlack);
    p.drawText("i", Rect{0, 0, 60, 20}, SingleLine);
    EXPECT_EQ(s.colorAt(0, 1), kBlack); // the line's box is filled
    EXPECT_EQ(s.colorAt(59, 19), kWhite);
}

TEST(Text, SheetOfFlagsMatchesReference) {
    Surface s(320, 200);
    s.fill(pixelFromSysColor(kWhite));
    Painter p(s);
    p.setFont(sans(14));
    p.setTextColor(kBlack);
    struct Cell {
        Rect rect;
        const char* text;
        TextFormat flags;
    };
    const Cell cells[] = {
        {{4, 4, 104, 24}, "Left", SingleLine | VCenter},
        {{108, 4, 208, 24}, "Centre", SingleLine | VCenter | Center},
        {{212, 4, 312, 24}, "Right", SingleLine | VCenter | Right},
        {{4, 30, 104, 90}, "Words that wrap onto lines", WordBreak},
        {{108, 30, 208, 90}, "Words that wrap, centred", WordBreak | Center | VCenter},
        {{212, 30, 312, 90}, "Two\r\nlines", Center | VCenter},
        {{4, 96, 104, 116}, "An ellipsis at the end", SingleLine | EndEllipsis | VCenter},
        {{108, 96, 208, 132}, "Wrapped and cut off with an ellipsis", WordBreak | EndEllipsis},
        {{212, 96, 312, 116}, "&Underlined", SingleLine | VCenter},
        {{4, 140, 312, 196}, "Bottom right", SingleLine | Bottom | Right},
    };
    for (const Cell& c : cells) {
        p.drawText(c.text, c.rect, c.flags);
    }
    for (const Cell& c : cells) {
        p.frame(c.rect.inflated(1, 1), sysColor(200, 200, 255));
    }
    // Text rendering may shift by a pixel between font library versions; allow for it.
    EXPECT_TRUE(references().matches(s, "text_flags", {8, 40}));
}

TEST(Text, LayoutsAreCached) {
    auto& engine = detail::TextEngine::instance();
    Font f = sans(13);
    measureText(f, "cached caption 1", {0, 0, 80, 20}, SingleLine);
    std::size_t before = engine.cachedLayouts();
    Surface s(80, 20);
    Painter p(s);
    p.setFont(f);
    for (int i = 0; i < 3; ++i) {
        p.drawText("cached caption 1", Rect{0, 0, 80, 20}, SingleLine);
    }
    EXPECT_EQ(engine.cachedLayouts(), before);
    p.drawText("cached caption 2", Rect{0, 0, 80, 20}, SingleLine);
    EXPECT_EQ(engine.cachedLayouts(), before + 1);
}

TEST(Text, CaretOffsetsFollowCodePoints) {
    Font f = sans(16);
    std::vector<int> offsets = caretOffsets(f, "aé€b"); // 1, 2, 3 and 1 bytes
    ASSERT_EQ(offsets.size(), 5u);
    EXPECT_EQ(offsets.front(), 0);
    for (std::size_t i = 1; i < offsets.size(); ++i) {
        EXPECT_GT(offsets[i], offsets[i - 1]);
    }
    EXPECT_EQ(offsets.back(), measureText(f, "aé€b", {0, 0, 500, 40}, SingleLine).width);
    EXPECT_EQ(caretOffsets(f, ""), std::vector<int>{0});
}

// A copy of a system face renamed, so that it exists only once registered.
std::filesystem::path renamedFont(const std::filesystem::path& folder) {
    const std::filesystem::path source = "/usr/share/fonts/truetype/dejavu/DejaVuSansMono.ttf";
    std::ifstream in(source, std::ios::binary);
    std::string bytes((std::istreambuf_iterator<char>(in)), {});
    if (bytes.empty()) {
        return {};
    }
    auto replaceAll = [&bytes](const std::string& from, const std::string& to) {
        for (std::size_t at = bytes.find(from); at != std::string::npos;
             at = bytes.find(from, at + 1)) {
            bytes.replace(at, from.size(), to);
        }
    };
    auto utf16be = [](const std::string& s) {
        std::string out;
        for (char c : s) {
            out += '\0';
            out += c;
        }
        return out;
    };
    for (auto [from, to] :
         {std::pair<std::string, std::string>{"DejaVu Sans Mono", "Lumetta TestMono"},
          {"DejaVuSansMono", "LumettaTstMono"}}) {
        replaceAll(from, to);
        replaceAll(utf16be(from), utf16be(to));
    }
    std::filesystem::create_directories(folder);
    auto target = folder / "LumettaTestMono.ttf";
    std::ofstream(target, std::ios::binary) << bytes;
    return target;
}

TEST(PrivateFonts, RegisterAndUnregisterForTheProcess) {
    auto folder = std::filesystem::temp_directory_path() / "lumetta-gfx-font-test";
    auto file = renamedFont(folder);
    if (file.empty()) {
        GTEST_SKIP() << "DejaVu Sans Mono is not installed";
    }
    EXPECT_FALSE(Font::create("Lumetta TestMono", 16).faceFound());
    EXPECT_FALSE(addPrivateFont(folder / "missing.ttf"));
    EXPECT_FALSE(removePrivateFont(folder / "missing.ttf"));
    {
        PrivateFont registered(file);
        ASSERT_TRUE(registered.ok());
        Font mono = Font::create("Lumetta TestMono", 16);
        EXPECT_TRUE(mono.faceFound());
        // Monospaced: narrow and wide letters take the same room.
        EXPECT_EQ(measureText(mono, "iiii", {0, 0, 200, 40}, SingleLine).width,
                  measureText(mono, "MMMM", {0, 0, 200, 40}, SingleLine).width);
        // Counted: a second registration keeps the face after the first goes.
        EXPECT_TRUE(addPrivateFont(file));
    }
    EXPECT_TRUE(Font::create("Lumetta TestMono", 16).faceFound());
    EXPECT_TRUE(removePrivateFont(file));
    Font gone = Font::create("Lumetta TestMono", 16);
    EXPECT_FALSE(gone.faceFound());
    EXPECT_NE(measureText(gone, "iiii", {0, 0, 200, 40}, SingleLine).width,
              measureText(gone, "MMMM", {0, 0, 200, 40}, SingleLine).width);
    std::filesystem::remove_all(folder);
}

} // namespace
} // namespace lumetta::gfx
