// What a skinned text is drawn with: rectangle, line breaks, font and colour from the entry.
#include "skin/files/SkinTextLayout.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace lumetta {
namespace {

TEST(SkinTextLayout, ReplacesLineMarkers) {
    struct Case {
        std::u16string in, out;
    };
    const std::vector<Case> cases = {
        {u"one\\r\\ntwo", u"one\r\ntwo"}, {u"\\r\\n\\r\\n", u"\r\n\r\n"},
        {u"no marker", u"no marker"},     {u"half \\r only \\n", u"half \\r only \\n"},
        {u"\\r\\\\r\\n", u"\\r\\\r\n"},   {u"", u""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.in.begin(), c.in.end()));
        EXPECT_EQ(ReplaceLineMarkers(c.in), c.out);
    }
}

TEST(SkinTextLayout, ReadsRectangleFontAndColourOfTheEntry) {
    XmlDoc layout;
    ASSERT_TRUE(layout.SetText(
        u"<r><DLG>"
        u"<FULL FONT='Heroic' SIZE=14 WEIGHT=700 COLOR=255>FULL,10,20,100,30,,0</FULL>"
        u"<PLAIN FONT='Heroic' SIZE=14>PLAIN,0,0,50,10,,0</PLAIN>"
        u"<FACE_ONLY FONT='Heroic' COLOR=65280>FACE_ONLY,1,2,3,4,,0</FACE_ONLY>"
        u"</DLG></r>"));
    XmlDoc strings;
    ASSERT_TRUE(strings.SetText(u"<r><DLG><FULL>Line\\r\\nNext</FULL></DLG></r>"));

    SkinTextLayout full = PrepareSkinString(layout, strings, u"DLG", u"FULL", 5, -5, 0x25);
    EXPECT_EQ(full.rect, (SkinRect{15, 15, 115, 45, u"", 0}));
    EXPECT_EQ(full.text, u"Line\r\nNext");
    EXPECT_EQ(full.font, (SkinFont{u"Heroic", 14, 700}));
    EXPECT_EQ(full.color, 255u);
    EXPECT_EQ(full.format, 0x25u);

    SkinTextLayout plain = PrepareSkinText(layout, u"x", u"DLG", u"PLAIN", 0, 0, 0);
    EXPECT_EQ(plain.font, (SkinFont{u"Heroic", 14, 400})) << "weight 400 when absent";
    EXPECT_FALSE(plain.color.has_value());

    SkinTextLayout faceOnly = PrepareSkinText(layout, u"x", u"DLG", u"FACE_ONLY", 0, 0, 0);
    EXPECT_FALSE(faceOnly.font.has_value()) << "a font needs both FONT and SIZE";
    EXPECT_EQ(faceOnly.color, 65280u);

    SkinTextLayout missing = PrepareSkinText(layout, u"x", u"DLG", u"NONE", 3, 4, 0);
    EXPECT_EQ(missing.rect, (SkinRect{3, 4, 3, 4, u"", 0}));
    EXPECT_FALSE(missing.font.has_value());
}

TEST(SkinTextLayout, CentresVerticallyRoundingTowardZero) {
    struct Case {
        SkinRect rect;
        int32_t textHeight;
        int32_t top, bottom;
    };
    const std::vector<Case> cases = {
        {{0, 0, 10, 100, u"", 0}, 40, 30, 70},
        {{0, 10, 10, 21, u"", 0}, 4, 13, 18},
        {{0, 0, 10, 10, u"", 0}, 10, 0, 10},
        {{0, 0, 10, 10, u"", 0}, 13, -1, 11},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.textHeight);
        SkinRect centred = CentreVertically(c.rect, c.textHeight);
        EXPECT_EQ(centred.top, c.top);
        EXPECT_EQ(centred.bottom, c.bottom);
    }
}

} // namespace
} // namespace lumetta
