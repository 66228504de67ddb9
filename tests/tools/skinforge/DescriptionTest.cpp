#include "ArtDescription.h"

#include <gtest/gtest.h>

#include <string>

namespace skinforge {
namespace {

const std::string kStyle = R"(<style>
  <colours><colour name="text" value="#E8EAEE"/><colour name="ink" value="#102030"/></colours>
  <fonts><font role="title" file="a.otf"/><font role="text" file="b.ttf"/></fonts>
  <metrics radius="8" min-text="12"/>
</style>)";

const std::string kTexts = R"(<texts>
  <section name="S"><text key="T">Title</text><text key="E"></text></section>
</texts>)";

std::string skinWith(const std::string& body) {
    return "<skin name=\"t\" document=\"XML:1\">\n"
           "<window name=\"w\" section=\"W\" width=\"200\" height=\"100\" normal=\"JPG:2\">\n" +
           body + "\n</window>\n</skin>\n";
}

TEST(ArtDescription, ReadsAWellFormedSkin) {
    LoadResult r = parseArt(kStyle, kTexts, skinWith(R"(
        <frame title="S/T" bar="30"/>
        <button key="B" look="push" caption="S/T" x="10" y="60" w="60" h="30"/>
        <field key="F" colour="text" font="title" size="14" x="10" y="35" w="100" h="20"/>
        <value section="V" key="N">7</value>)"));
    ASSERT_TRUE(r.ok()) << r.problems.front();
    const Skin& skin = r.art.skin;
    ASSERT_EQ(skin.windows.size(), 1u);
    const Window& w = skin.windows[0];
    ASSERT_EQ(w.elements.size(), 4u);
    EXPECT_EQ(w.variants.size(), 1u);
    EXPECT_EQ(w.variants[0].looks.normal, "JPG:2");
    EXPECT_EQ(w.elements[1].text, "Title");
    EXPECT_EQ(w.elements[1].section, "W");
    EXPECT_EQ(w.elements[3].section, "V");
    EXPECT_EQ(w.elements[3].text, "7");
    EXPECT_EQ(r.art.style.colours.at("ink").sysColor(), 0x302010u);
}

TEST(ArtDescription, ReportsEveryFaultWithItsLine) {
    struct Row {
        std::string body;
        std::string problem; // expected in the first problem
        int line = 3;
    };
    const Row rows[] = {
        {R"(<text font="text" size="14" colour="red" x="0" y="0" w="50" h="20">S/T</text>)",
         "unknown colour 'red'"},
        {R"(<text font="serif" size="14" colour="text" x="0" y="0" w="50" h="20">S/T</text>)",
         "unknown font role 'serif'"},
        {R"(<text font="text" size="14" colour="text" x="0" y="0" w="50" h="20">S/X</text>)",
         "unknown text 'S/X'"},
        {R"(<text font="text" size="14" colour="text" x="0" y="0" w="50" h="20">S/E</text>)",
         "text 'S/E' is empty"},
        {R"(<text font="text" size="11" colour="text" x="0" y="0" w="50" h="20">S/T</text>)",
         "below the smallest legible size of 12 px"},
        {R"(<panel x="150" y="0" w="60" h="20"/>)", "reaches outside window 'w'"},
        {R"(<panel x="1" y="0" w="a" h="20"/>)", "needs whole numbers"},
        {R"(<circle x="1"/>)", "unknown element <circle>"},
        {R"(<button key="B" look="round" x="0" y="0" w="10" h="10"/>)", "push or close"},
        {R"(<button key="B" look="close" x="0" y="0" w="10" h="10"/>
            <button key="B" look="close" x="20" y="0" w="10" h="10"/>)",
         "entry W/B is given twice", 4},
        {R"(<button look="close" x="0" y="0" w="10" h="10"/>)", "needs a key"},
        {R"(<progress key="P" x="0" y="0" w="10" h="10" track="JPG:2" fill="JPG:3"/>)",
         "output 'JPG:2' is written twice"},
        {R"(<progress key="P" x="0" y="0" w="10" h="10" track="JPG:x" fill="JPG:3"/>)",
         "neither TYPE:ID nor a file name"},
        {R"(<progress key="P" x="0" y="0" w="10" h="10" track="../a.jpg" fill="JPG:3"/>)",
         "leaves the output folder"},
        {R"(<field key="F" colour="text" size="30" x="0" y="0" w="50" h="20"/>)",
         "higher than its rectangle"},
        {R"(<badge look="star" x="0" y="0" size="20"/>)", "check, cross or info"},
        {R"(<frame title="S/T" bar="10"/>)", "title bar height"},
        {R"(<variant name="v"/>)", "has no normal picture"},
        {R"(<panel x="0" y="0" w="10" h="10">)", "not well-formed XML", 4},
    };
    for (const Row& row : rows) {
        LoadResult r = parseArt(kStyle, kTexts, skinWith(row.body));
        ASSERT_FALSE(r.ok()) << row.body;
        EXPECT_NE(r.problems.front().find(row.problem), std::string::npos)
            << row.body << "\n  got: " << r.problems.front();
        std::string place = "skin.xml:" + std::to_string(row.line) + ": ";
        EXPECT_EQ(r.problems.front().rfind(place, 0), 0u)
            << row.body << "\n  got: " << r.problems.front();
    }
}

TEST(ArtDescription, ChecksTheStyleAndTexts) {
    struct Row {
        std::string style;
        std::string texts;
        std::string problem;
    };
    const Row rows[] = {
        {R"(<style><colours><colour name="a" value="#12345"/></colours></style>)", kTexts,
         "style.xml:1: a colour needs a name and a value #RRGGBB"},
        {R"(<style><colours><colour name="a" value="#123456"/><colour name="a" value="#123456"/></colours></style>)",
         kTexts, "colour 'a' is defined twice"},
        {R"(<look/>)", kTexts, "the root element must be <style>"},
        {kStyle, R"(<texts><section name="S"><text key="T"/><text key="T"/></section></texts>)",
         "texts.xml:1: text 'S/T' is defined twice"},
    };
    for (const Row& row : rows) {
        LoadResult r = parseArt(row.style, row.texts, "<skin name=\"t\"/>");
        ASSERT_FALSE(r.ok()) << row.style;
        EXPECT_NE(r.problems.front().find(row.problem), std::string::npos)
            << "got: " << r.problems.front();
    }
}

TEST(ArtDescription, TellsResourcesFromFiles) {
    struct Row {
        std::string output;
        bool resource;
        std::string type;
        int id;
    };
    for (const Row& row :
         {Row{"JPG:155", true, "JPG", 155}, Row{"XML:158", true, "XML", 158},
          Row{"Main.jpg", false, "", 0}, Row{"jpg:1", false, "", 0}, Row{"JPG:0", false, "", 0},
          Row{"JPG:70000", false, "", 0}, Row{":5", false, "", 0}, Row{"JPG:5x", false, "", 0}}) {
        std::string type;
        int id = 0;
        EXPECT_EQ(isResourceOutput(row.output, &type, &id), row.resource) << row.output;
        EXPECT_EQ(type, row.type) << row.output;
        EXPECT_EQ(id, row.id) << row.output;
    }
}

} // namespace
} // namespace skinforge
