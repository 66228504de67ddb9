#include "skin/text/SkinText.h"

#include <gtest/gtest.h>

namespace lumetta {
namespace {

using gfx::Pixel;
using gfx::Rect;
using gfx::TextFormat;

constexpr gfx::SysColor kWhite = 0xFFFFFF;
constexpr gfx::SysColor kGreen = 0x00FF00;

Rect inkBounds(const gfx::Surface& s) {
    Rect ink;
    Pixel white = gfx::pixelFromSysColor(kWhite);
    for (int y = 0; y < s.height(); ++y) {
        for (int x = 0; x < s.width(); ++x) {
            if (s.pixel(x, y) != white) {
                ink = ink.united(Rect{x, y, x + 1, y + 1});
            }
        }
    }
    return ink;
}

// True when some pixel is within a few steps of the colour (stems of small text never cover
// a whole pixel).
bool shows(const gfx::Surface& s, gfx::SysColor color) {
    auto near = [](int a, int b) { return std::abs(a - b) <= 16; };
    for (int y = 0; y < s.height(); ++y) {
        for (int x = 0; x < s.width(); ++x) {
            gfx::SysColor c = s.colorAt(x, y);
            if (near(gfx::sysRed(c), gfx::sysRed(color)) &&
                near(gfx::sysGreen(c), gfx::sysGreen(color)) &&
                near(gfx::sysBlue(c), gfx::sysBlue(color))) {
                return true;
            }
        }
    }
    return false;
}

class SkinTextTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(layout.SetText(
            u"<r><DLG>"
            u"<STR_BIG FONT='DejaVu Sans' SIZE=30 COLOR=255>STR_BIG,20,10,160,40,,FALSE</STR_BIG>"
            u"<STR_PLAIN>STR_PLAIN,20,10,160,40,,FALSE</STR_PLAIN>"
            u"<STR_TWO>STR_TWO,0,0,200,100,,FALSE</STR_TWO>"
            u"</DLG></r>"));
        ASSERT_TRUE(strings.SetText(u"<r><DLG><STR_BIG>HHH</STR_BIG><STR_PLAIN>HHH</STR_PLAIN>"
                                    u"<STR_TWO>HH\\r\\nHH</STR_TWO></DLG></r>"));
        surface.fill(gfx::pixelFromSysColor(kWhite));
    }

    XmlDoc layout;
    XmlDoc strings;
    gfx::Surface surface{200, 100};
};

TEST_F(SkinTextTest, DrawsInTheMovedRectangleWithTheEntrysFontAndColour) {
    gfx::Painter p(surface);
    p.setFont(gfx::Font::create("DejaVu Sans", 12));
    p.setTextColor(kGreen);
    DrawSkinString(p, layout, strings, u"DLG", u"STR_BIG", 5, 20, TextFormat::SingleLine);
    Rect ink = inkBounds(surface);
    EXPECT_EQ(ink.intersected(Rect{25, 30, 185, 70}), ink);
    EXPECT_GE(ink.height(), 16); // capitals of the 30-pixel font, not the painter's 12
    EXPECT_TRUE(shows(surface, gfx::sysColor(255, 0, 0)));
    EXPECT_FALSE(shows(surface, kGreen));
    // The painter's own font and colour are back.
    EXPECT_EQ(p.font().cellHeight(), 12);
    EXPECT_EQ(p.textColor(), kGreen);
}

TEST_F(SkinTextTest, EntryWithoutFontUsesThePaintersFont) {
    gfx::Painter p(surface);
    p.setFont(gfx::Font::create("DejaVu Sans", 12));
    p.setTextColor(kGreen);
    DrawSkinText(p, layout, u"HHH", u"DLG", u"STR_PLAIN", 0, 0, TextFormat::SingleLine);
    Rect ink = inkBounds(surface);
    EXPECT_LT(ink.height(), 12);
    EXPECT_TRUE(shows(surface, kGreen));
}

TEST_F(SkinTextTest, MarkerBreaksLinesCentredAsABlock) {
    gfx::Painter p(surface);
    p.setFont(gfx::Font::create("DejaVu Sans", 16));
    DrawSkinString(p, layout, strings, u"DLG", u"STR_TWO", 0, 0,
                   TextFormat::VCenter | TextFormat::WordBreak | TextFormat::Center);
    Rect ink = inkBounds(surface);
    EXPECT_GT(ink.height(), 16 + 8); // two lines
    int above = ink.top;
    int below = 100 - ink.bottom;
    EXPECT_LE(std::abs(above - below), 3) << above << " above, " << below << " below";
}

TEST_F(SkinTextTest, MissingEntryDrawsNothing) {
    gfx::Painter p(surface);
    DrawSkinText(p, layout, u"text", u"DLG", u"NO_SUCH_KEY", 10, 10, TextFormat::SingleLine);
    DrawSkinString(p, layout, strings, u"NOPE", u"STR_BIG", 0, 0, TextFormat::SingleLine);
    EXPECT_TRUE(inkBounds(surface).empty());
}

} // namespace
} // namespace lumetta
