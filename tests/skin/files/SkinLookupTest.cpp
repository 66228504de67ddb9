// Section/key lookups and the display-name table: lenient, first section wins, nested sections.
#include "skin/files/SkinLookup.h"
#include "skin/files/FunctionDisplayName.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace lumetta {
namespace {

constexpr std::u16string_view Fixture =
    u"<root>"
    u" <MAIN>"
    u"  <BUTTON_OK FONT=\"Arial\" SIZE=12>BUTTON_OK,190,222,65,26,,FALSE</BUTTON_OK>"
    u"  <SCROLL_BAR_ID>7</SCROLL_BAR_ID>"
    u"  <MAIN><DEEP>nested</DEEP></MAIN>"
    u" </MAIN>"
    u" <LED><STR>led</STR></LED>"
    u" <LED><SECOND>never</SECOND></LED>"
    u" <FUNC_LIST><STATIC>Static</STATIC><KEY>Key</KEY></FUNC_LIST>"
    u" <FUNCTION><MACRO>Macro</MACRO></FUNCTION>"
    u"</root>";

class SkinLookupTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(doc_.SetText(std::u16string(Fixture))); }
    XmlDoc doc_;
};

TEST_F(SkinLookupTest, Values) {
    struct Case {
        std::u16string section, key, value;
    };
    const std::vector<Case> cases = {
        {u"MAIN", u"BUTTON_OK", u"BUTTON_OK,190,222,65,26,,FALSE"},
        {u"MAIN", u"SCROLL_BAR_ID", u"7"},
        {u"MAIN", u"DEEP", u"nested"},
        {u"LED", u"STR", u"led"},
        {u"LED", u"SECOND", u""},
        {u"main", u"SCROLL_BAR_ID", u""},
        {u"MAIN", u"MISSING", u""},
        {u"NOPE", u"STR", u""},
        {u"", u"", u""},
        {u"MAIN", u"", u""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.section.begin(), c.section.end()) + "/" +
                     std::string(c.key.begin(), c.key.end()));
        EXPECT_EQ(SkinValue(doc_, c.section, c.key), c.value);
    }
}

TEST_F(SkinLookupTest, Attributes) {
    EXPECT_EQ(SkinAttribute(doc_, u"MAIN", u"BUTTON_OK", u"FONT"), u"Arial");
    EXPECT_EQ(SkinAttribute(doc_, u"MAIN", u"BUTTON_OK", u"SIZE"), u"12");
    EXPECT_EQ(SkinAttribute(doc_, u"MAIN", u"BUTTON_OK", u"WEIGHT"), u"");
    EXPECT_EQ(SkinAttribute(doc_, u"MAIN", u"NOPE", u"FONT"), u"");
}

TEST_F(SkinLookupTest, LookupsIgnoreWhereTheLastQueryLeftOff) {
    ASSERT_TRUE(doc_.SeekChild(u"LED"));
    ASSERT_TRUE(doc_.EnterElement());
    EXPECT_EQ(SkinValue(doc_, u"MAIN", u"SCROLL_BAR_ID"), u"7");
    EXPECT_EQ(SkinValue(doc_, u"MAIN", u"SCROLL_BAR_ID"), u"7");
}

TEST(SkinLookup, EmptyOrBrokenDocumentsAnswerEmpty) {
    XmlDoc empty;
    EXPECT_EQ(SkinValue(empty, u"MAIN", u"X"), u"");
    EXPECT_EQ(SkinAttribute(empty, u"MAIN", u"X", u"FONT"), u"");
    // A stray end tag inside a section costs nothing.
    XmlDoc stray;
    stray.SetText(u"<root><MAIN><A>1</A></X><B>2</B></MAIN></root>");
    EXPECT_EQ(SkinValue(stray, u"MAIN", u"B"), u"2");
    // An unended root is closed at its start tag: its sections move beside it, out of reach.
    XmlDoc truncated;
    truncated.SetText(u"<root><MAIN><A>1</A><B>2</B></MAIN><LED><C>3</C>");
    EXPECT_EQ(SkinValue(truncated, u"MAIN", u"B"), u"");
}

TEST_F(SkinLookupTest, FunctionDisplayNames) {
    struct Case {
        uint32_t id;
        std::u16string section, key, text;
    };
    const std::vector<Case> cases = {
        {0x1000, u"FUNC_LIST", u"STATIC", u"Static"},
        {0x100A, u"FUNC_LIST", u"MULTILAYER", u""},
        {0x100C, u"FUNC_LIST", u"GAME_SNAKE", u""},
        {0x100F, u"FUNC_LIST", u"OFF", u""},
        {0x1100, u"FUNC_LIST", u"LEFT_RIGHT", u""},
        {0x1106, u"FUNC_LIST", u"SUB_CROSS_MODE", u""},
        {0x110F, u"FUNC_LIST", u"KEY", u"Key"},
        {0x1110, u"FUNC_LIST", u"EMPTY", u""},
        {0x2000, u"FUNCTION", u"DISABLE", u""},
        {0x203C, u"FUNCTION", u"MEDIA_MY_COMPUTER", u""},
        {0x2064, u"FUNCTION", u"DPI_4", u""},
        {0x2100, u"FUNCTION", u"MACRO", u"Macro"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.id);
        std::optional<SkinKey> key = FunctionDisplayKey(c.id);
        ASSERT_TRUE(key.has_value());
        EXPECT_EQ(key->section, c.section);
        EXPECT_EQ(key->key, c.key);
        EXPECT_EQ(FunctionDisplayName(doc_, c.id), c.text);
    }
    for (uint32_t id : {0u, 0x0FFFu, 0x100Bu, 0x1010u, 0x1104u, 0x1105u, 0x1111u, 0x2018u, 0x2048u,
                        0x2069u, 0x2101u}) {
        SCOPED_TRACE(id);
        EXPECT_FALSE(FunctionDisplayKey(id).has_value());
        EXPECT_EQ(FunctionDisplayName(doc_, id), u"");
    }
}

} // namespace
} // namespace lumetta
