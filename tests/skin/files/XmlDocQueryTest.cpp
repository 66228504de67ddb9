// Navigation, text and attribute queries.
#include "skin/files/CharacterReferences.h"
#include "skin/files/XmlDoc.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace lumetta {
namespace {

TEST(XmlDocQuery, SeekChildOnRewoundDocumentStartsAtTheRoot) {
    XmlDoc doc;
    ASSERT_TRUE(doc.SetText(u"<root><MAIN><K>v</K></MAIN><LED/></root>"));
    doc.Rewind();
    ASSERT_TRUE(doc.SeekChild(u"MAIN"));
    EXPECT_EQ(doc.NodeKind(), XmlDoc::NodeElement);
    EXPECT_EQ(doc.NodeOffset(), 6u);
    EXPECT_EQ(doc.NodeLength(), 21u);
    EXPECT_EQ(doc.ElementName(doc.CurrentElement()), u"root");
    ASSERT_TRUE(doc.EnterElement());
    EXPECT_EQ(doc.ElementName(doc.CurrentElement()), u"MAIN");
    ASSERT_TRUE(doc.SeekChild(u"K"));
    EXPECT_EQ(doc.ChildText(), u"v");
    // Failure keeps the position but clears the node.
    EXPECT_FALSE(doc.SeekChild(u"K"));
    EXPECT_EQ(doc.NodeKind(), XmlDoc::NodeNone);
    EXPECT_EQ(doc.ChildText(), u"v");
    // Siblings at the current level continue after the current element.
    ASSERT_TRUE(doc.SeekElement(u"LED"));
    EXPECT_FALSE(doc.SeekElement(u"MAIN"));
    EXPECT_EQ(doc.ElementName(doc.CurrentElement()), u"LED");
    doc.Rewind();
    EXPECT_EQ(doc.CurrentParent() + doc.CurrentElement() + doc.CurrentChild(), 0u);
    EXPECT_FALSE(doc.EnterElement());
}

TEST(XmlDocQuery, NameMatchingRules) {
    struct Case {
        std::u16string argument;
        bool matches;
    };
    const std::vector<Case> cases = {
        {u"MAIN", true},  {u"MAIN attr", true}, {u"MAIN=", true},  {u"MAIN/", true},
        {u"MAIN[", true}, {u"MAIN]", true},     {u"MAINX", false}, {u"MAI", false},
        {u"main", false}, {u"", true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.argument.begin(), c.argument.end()));
        XmlDoc doc;
        doc.SetText(u"<r><MAIN a='1'/></r>");
        EXPECT_EQ(doc.SeekChild(c.argument), c.matches);
    }
    XmlDoc blind;
    blind.SetFlags(XmlDoc::FlagIgnoreCase);
    blind.SetText(u"<r><MAIN A='1'/></r>");
    ASSERT_TRUE(blind.SeekChild(u"main"));
    EXPECT_EQ(blind.ChildAttribute(u"a"), u"1");
}

TEST(XmlDocQuery, ChildText) {
    struct Case {
        std::u16string entry;
        std::u16string text;
    };
    const std::vector<Case> cases = {
        {u"<k>plain</k>", u"plain"},
        {u"<k> spaced </k>", u" spaced "},
        {u"<k>a&amp;b</k>", u"a&b"},
        {u"<k>&amp;lt;</k>", u"&lt;"},
        {u"<k>&#65;&#x41;&#X41;</k>", u"AAA"},
        {u"<k>&foo; &amp &</k>", u"&foo; &amp &"},
        {u"<k>a<!--c-->b<![CDATA[<x>]]></k>", u"ab<x>"},
        {u"<k>a<?p x?>b</k>", u"ab"},
        {u"<k>&lt;<![CDATA[&amp;]]></k>", u"<&amp;"},
        {u"<k>t<c/>t</k>", u""},
        {u"<k/>", u""},
        {u"<k></k>", u""},
        {u"<k>&#128512;</k>", u"\U0001F600"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.entry.begin(), c.entry.end()));
        XmlDoc doc;
        doc.SetText(u"<r>" + c.entry + u"</r>");
        ASSERT_TRUE(doc.SeekChild(u"k"));
        EXPECT_EQ(doc.ChildText(), c.text);
    }
}

TEST(XmlDocQuery, ChildAttribute) {
    struct Case {
        std::u16string tag;
        std::u16string name;
        std::u16string value;
    };
    const std::vector<Case> cases = {
        {u"<k FONT=Verdana SIZE=15 COLOR=11892106>", u"FONT", u"Verdana"},
        {u"<k FONT=Verdana SIZE=15 COLOR=11892106>", u"SIZE", u"15"},
        {u"<k FONT=Verdana SIZE=15 COLOR=11892106>", u"COLOR", u"11892106"},
        {u"<k a=\"x>y\" b='q'>", u"a", u"x>y"},
        {u"<k a=\"x>y\" b='q'>", u"b", u"q"},
        {u"<k a = \"1\" a=\"2\">", u"a", u"1"},
        {u"<k a=\"&lt;&#65;\">", u"a", u"<A"},
        {u"<k ab=\"1\" a=\"2\">", u"a", u"2"},
        {u"<k flag other=3>", u"flag", u""},
        {u"<k flag other=3>", u"other", u"3"},
        {u"<k a=\"1\">", u"missing", u""},
        {u"<k a=\"1\">", u"A", u""},
        {u"<k\ta=1\n/>", u"a", u"1"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.tag.begin(), c.tag.end()));
        XmlDoc doc;
        std::u16string end = c.tag.ends_with(u"/>") ? u"" : u"</k>";
        doc.SetText(u"<r>" + c.tag + end + u"</r>");
        ASSERT_TRUE(doc.SeekChild(u"k"));
        EXPECT_EQ(doc.ChildAttribute(c.name), c.value);
    }
}

TEST(XmlDocQuery, CharacterReferences) {
    struct Case {
        std::u16string in;
        std::u16string out;
    };
    const std::vector<Case> cases = {
        {u"&nbsp;&yuml;&Yuml;", u"\u00A0\u00FF\u0178"},
        {u"&apos;&quot;&euro;&diams;", u"'\"\u20AC\u2666"},
        {u"&thetasym;&alefsym;&there4;&sup2;", u"\u03D1\u2135\u2234\u00B2"},
        {u"&Alpha;&alpha;&lArr;&larr;", u"\u0391\u03B1\u21D0\u2190"},
        {u"&AMP;&Lt;", u"&<"},
        {u"&#0;&#x110000;&#xD800;", u"&#0;&#x110000;&#xD800;"},
        {u"&#;&#x;&#12a;", u"&#;&#x;&#12a;"},
        {u"&abcdefghi;&abcdefghij;", u"&abcdefghi;&abcdefghij;"},
        {u"&am\u00E9;", u"&am\u00E9;"},
        {u"&;&", u"&;&"},
        {u"&#1114111;", u"\U0010FFFF"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.in.begin(), c.in.end()));
        EXPECT_EQ(DecodeCharacterReferences(c.in), c.out);
    }
    EXPECT_EQ(NamedEntityCount(), 253u);
    EXPECT_EQ(NamedEntity(u"ALPHA") == 0x391 || NamedEntity(u"ALPHA") == 0x3B1, true);
}

} // namespace
} // namespace lumetta
