// The element table and the parse report, over well-formed and malformed texts.
#include "skin/files/XmlDoc.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace lumetta {
namespace {

struct ParseCase {
    const char* label;
    std::u16string text;
    std::u16string report;
    bool wellFormed;
};

TEST(XmlDocParse, ReportsTheFirstProblemWithItsOffset) {
    const std::vector<ParseCase> cases = {
        {"well formed", u"<a>1</a>", u"", true},
        {"mark before the root", u"\uFEFF<a/>", u"", true},
        {"declaration, comment, quoted >", u"<?xml version=\"1.0\"?><!-- c --><a x='>'>t</a>", u"",
         true},
        {"doctype with subset", u"<!DOCTYPE a [<!ELEMENT a ANY><!ENTITY e \"x>\">]><a/>", u"",
         true},
        {"empty", u"", u"Empty document", false},
        {"blanks only", u"  \r\n", u"No root element", false},
        {"comment only", u"<!-- x -->", u"No root element", false},
        {"two roots", u"<a/><b/>", u"Root element has sibling", false},
        {"stray end tag", u"<A>x</B></A>", u"No start tag for end tag 'B' at offset 4", false},
        {"end tag closes outer", u"<A><B>x</A>",
         u"End tag 'A' at offset 7 does not match start tag 'B' at offset 3", false},
        {"root not ended", u"<A>text", u"Element 'A' at offset 0 not ended", false},
        {"unended child moves beside root", u"<A><B>", u"Root element has sibling", false},
        {"comment unterminated", u"<A><!-- x", u"Comment at offset 3 unterminated", false},
        {"cdata unterminated", u"<A><![CDATA[x", u"CDATA Section at offset 3 unterminated", false},
        {"pi unterminated", u"<A><?pi", u"Processing instruction at offset 3 unterminated", false},
        {"doctype unterminated", u"<A><!DOCTYPE", u"Doctype at offset 3 unterminated", false},
        {"start tag unterminated", u"<A><B", u"Element tag at offset 3 unterminated", false},
        {"quote runs to the end", u"<A><B c=\"></B></A>", u"Element tag at offset 3 unterminated",
         false},
        {"end tag unterminated", u"<A></A", u"Element end tag at offset 3 unterminated", false},
        {"lone < at the end", u"<A><", u"tag at offset 3 unterminated", false},
        {"digit after <", u"<A><5</A>", u"Incorrect tag name character at offset 3", false},
        {"blank after <", u"<A>< b</A>", u"Incorrect tag name character at offset 3", false},
        {"bad ! tag", u"<A><!x></A>", u"Incorrect ! tag at offset 3", false},
        {"bad comment tag", u"<A><!-x></A>", u"Incorrect comment tag at offset 3", false},
        {"bad [ tag", u"<A><![x></A>", u"Incorrect tag at offset 3", false},
        {"bad declaration in subset", u"<!DOCTYPE a [<!ELEMENT a ANY><!FOO>]><a/>",
         u"Incorrect ! tag at offset 29", false},
        {"only the first problem", u"<a><b></a></b>",
         u"End tag 'a' at offset 6 does not match start tag 'b' at offset 3", false},
        {"root problem replaces walk problem", u"<a></x></a><b/>", u"Root element has sibling",
         false},
        {"case matters", u"<A></a>", u"No start tag for end tag 'a' at offset 3", false},
    };
    for (const ParseCase& c : cases) {
        SCOPED_TRACE(c.label);
        XmlDoc doc;
        EXPECT_EQ(doc.SetText(c.text), c.wellFormed);
        EXPECT_EQ(doc.LoadReport(), c.report);
        bool illFormed = doc.Elements()[0].levelFlags & ElementRecord::IllFormed;
        EXPECT_EQ(illFormed, !c.wellFormed);
    }
}

TEST(XmlDocParse, FreshDocumentIsEmpty) {
    XmlDoc doc;
    EXPECT_EQ(doc.LoadReport(), u"Empty document");
    EXPECT_FALSE(doc.SeekChild());
    EXPECT_EQ(doc.ChildText(), u"");
    EXPECT_EQ(doc.Elements().Size(), 1u);
}

TEST(XmlDocParse, IgnoreCaseFlagMatchesEndTags) {
    XmlDoc doc;
    doc.SetFlags(XmlDoc::FlagIgnoreCase);
    EXPECT_TRUE(doc.SetText(u"<A><b></B></a>"));
    EXPECT_TRUE(doc.SeekChild(u"B"));
}

TEST(XmlDocParse, RecordsSpansLinksLevelsAndFlags) {
    XmlDoc doc;
    ASSERT_TRUE(doc.SetText(u"<r><a x='1'>t</a><b><c/></b></r>"));
    const ElementTable& t = doc.Elements();
    ASSERT_EQ(t.Size(), 5u);
    // r=1, a=2, b=3, c=4 in document order.
    EXPECT_EQ(t[0].firstChild, 1u);
    EXPECT_EQ(t[1].length, 32u);
    EXPECT_EQ(t[2].start, 3u);
    EXPECT_EQ(t[2].startTagLength, 9u);
    EXPECT_EQ(t[2].endTagLength, 4u);
    EXPECT_EQ(t[2].length, 14u);
    EXPECT_EQ(t[4].length, 4u);
    EXPECT_EQ(t[4].endTagLength, 0u);
    EXPECT_EQ(t[1].firstChild, 2u);
    EXPECT_EQ(t[2].nextSibling, 3u);
    EXPECT_EQ(t[3].nextSibling, 0u);
    EXPECT_EQ(t[2].prevSibling, 3u) << "the first child's previous sibling is the last child";
    EXPECT_EQ(t[3].prevSibling, 2u);
    EXPECT_EQ(t[4].parent, 3u);
    struct Level {
        uint32_t index, level;
        bool first;
    };
    for (Level l : {Level{1, 1, true}, Level{2, 2, true}, Level{3, 2, false}, Level{4, 3, true}}) {
        SCOPED_TRACE(l.index);
        EXPECT_EQ(t[l.index].levelFlags & ElementRecord::LevelMask, l.level);
        EXPECT_EQ((t[l.index].levelFlags & ElementRecord::FirstChild) != 0, l.first);
    }
}

TEST(XmlDocParse, InnerElementClosedAtItsStartTagGivesItsChildrenToItsParent) {
    XmlDoc doc;
    EXPECT_FALSE(doc.SetText(u"<A><B><C/>x</A>"));
    const ElementTable& t = doc.Elements();
    ASSERT_EQ(t.Size(), 4u); // A=1, B=2, C=3
    EXPECT_EQ(t[2].levelFlags & ElementRecord::ClosedImplicitly, ElementRecord::ClosedImplicitly);
    EXPECT_NE(t[2].levelFlags & ElementRecord::HasError, 0u);
    EXPECT_EQ(t[2].length, 3u);
    EXPECT_EQ(t[2].firstChild, 0u);
    EXPECT_EQ(t[1].firstChild, 2u);
    EXPECT_EQ(t[2].nextSibling, 3u);
    EXPECT_EQ(t[3].parent, 1u);
    EXPECT_EQ(t[1].length, 15u);
    EXPECT_EQ(t[3].levelFlags & ElementRecord::LevelMask, 2u);
    EXPECT_EQ(t[1].firstChild, 2u);
    EXPECT_EQ(t[2].prevSibling, 3u);

    ASSERT_TRUE(doc.SeekChild(u"B"));
    EXPECT_EQ(doc.ChildText(), u"");
    ASSERT_TRUE(doc.SeekChild(u"C"));
}

TEST(XmlDocParse, StrayEndTagIsIgnored) {
    XmlDoc doc;
    doc.SetText(u"<r><A>x</B></A></r>");
    ASSERT_TRUE(doc.SeekChild(u"A"));
    EXPECT_EQ(doc.ChildText(), u"x");
}

TEST(XmlDocParse, DeepNestingNeedsNoStack) {
    constexpr int Depth = 300000;
    std::u16string text;
    for (int i = 0; i < Depth; ++i) {
        text += u"<a>";
    }
    std::u16string closed = text + u"x";
    for (int i = 0; i < Depth; ++i) {
        closed += u"</a>";
    }
    XmlDoc doc;
    EXPECT_TRUE(doc.SetText(closed));
    EXPECT_EQ(doc.Elements()[Depth].levelFlags & ElementRecord::LevelMask, 0xFFFFu)
        << "depth saturates at 16 bits";
    // Never closed: every element ends up at document level.
    EXPECT_FALSE(doc.SetText(text));
    EXPECT_EQ(doc.LoadReport(), u"Root element has sibling");
    EXPECT_EQ(doc.Elements()[Depth].parent, 0u);
    // Stray end tags over a deep stack.
    std::u16string stray = text;
    for (int i = 0; i < Depth; ++i) {
        stray += u"</b>";
    }
    EXPECT_FALSE(doc.SetText(stray));
    EXPECT_EQ(doc.Elements().Size(), uint32_t(Depth) + 1);
}

TEST(XmlDocParse, TableSpansSeveralBlocks) {
    constexpr int Count = 70000;
    std::u16string text = u"<r>";
    for (int i = 0; i < Count; ++i) {
        text += u"<e>" + std::u16string(i == Count - 1 ? u"last" : u"") + u"</e>";
    }
    text += u"</r>";
    XmlDoc doc;
    ASSERT_TRUE(doc.SetText(text));
    int seen = 0;
    while (doc.SeekChild(u"e")) {
        ++seen;
    }
    EXPECT_EQ(seen, Count);
    EXPECT_EQ(doc.ChildText(), u"last");
    EXPECT_EQ(doc.Elements()[1].prevSibling, 1u) << "an only child is its own last sibling";
    EXPECT_EQ(doc.Elements()[2].prevSibling, uint32_t(Count) + 1);
}

} // namespace
} // namespace lumetta
