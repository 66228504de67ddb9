// Decoding of files into the document text: marks, declarations, detection, code pages, and the
// load report.
#include "skin/files/XmlDoc.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <unistd.h>
#include <vector>

namespace lumetta {
namespace {

using namespace std::string_literals;

std::string Utf16Le(std::u16string_view text) {
    std::string bytes;
    for (char16_t c : text) {
        bytes += static_cast<char>(c & 0xFF);
        bytes += static_cast<char>(c >> 8);
    }
    return bytes;
}

std::string Utf16Be(std::u16string_view text) {
    std::string bytes;
    for (char16_t c : text) {
        bytes += static_cast<char>(c >> 8);
        bytes += static_cast<char>(c & 0xFF);
    }
    return bytes;
}

struct LoadCase {
    const char* label;
    std::string bytes;
    std::u16string text;
    uint32_t flags;
    std::u16string report;
};

TEST(XmlDocLoad, EveryEncodingPath) {
    const std::string decl1252 = "<?xml version=\"1.0\" encoding=\"windows-1252\"?>";
    const std::string html = "<html><head><title>t</title><meta http-equiv=\"Content-Type\" "
                             "content=\"text/html; charset=koi8-r\"></head><body>";
    const std::vector<LoadCase> cases = {
        {"utf-8 by its first byte", "<a>\xC3\xA9</a>", u"<a>\u00E9</a>", 0,
         u"UTF-8 length 9 to 8 wide chars "},
        {"utf-8 mark", "\xEF\xBB\xBF<a/>", u"<a/>", XmlDoc::FlagUtf8Bom,
         u"UTF-8 BOM + length 4 to 4 wide chars "},
        {"utf-16le mark", "\xFF\xFE"s + Utf16Le(u"<a>\u00E9\u4E2D</a>"), u"<a>\u00E9\u4E2D</a>",
         XmlDoc::FlagUtf16Le, u"UTF-16LE BOM + length 9 "},
        {"utf-16be mark", "\xFE\xFF"s + Utf16Be(u"<a>\u00E9</a>"), u"<a>\u00E9</a>",
         XmlDoc::FlagUtf16Be, u"UTF-16BE BOM + length 8 endian swap "},
        {"utf-16le zero characters", "\xFF\xFE"s + Utf16Le(u"<a"s + u'\0' + u"/>"s), u"<a/>",
         XmlDoc::FlagUtf16Le, u"UTF-16LE BOM + length 5 (1 nulls removed) "},
        {"utf-16le without mark", Utf16Le(u"<a>\u00E9</a>"), u"<a>\u00E9</a>", 0,
         u"UTF-16LE length 8 "},
        {"utf-16be without mark", Utf16Be(u"<a>\u00E9</a>"), u"<a>\u00E9</a>", 0,
         u"UTF-16BE length 8 endian swap "},
        {"utf-32le reads through the utf-16 mark", "\xFF\xFE\0\0<\0\0\0a\0\0\0/\0\0\0>\0\0\0"s,
         u"<a/>", XmlDoc::FlagUtf16Le, u"UTF-16LE BOM + length 9 (5 nulls removed) "},
        {"declared windows-1252", decl1252 + "<a>\x80\xE9</a>",
         u"<?xml version=\"1.0\" encoding=\"windows-1252\"?><a>\u20AC\u00E9</a>", 0,
         u"windows-1252 length 54 to 54 wide chars "},
        {"declared shift_jis", "<?xml version='1.0' encoding='Shift_JIS'?><a>\x82\xA0</a>",
         u"<?xml version='1.0' encoding='Shift_JIS'?><a>\u3042</a>", 0,
         u"Shift_JIS length 51 to 50 wide chars "},
        {"html meta charset", html + "\xC1</body></html>",
         u"<html><head><title>t</title><meta http-equiv=\"Content-Type\" content=\"text/html; "
         u"charset=koi8-r\"></head><body>\u0430</body></html>",
         0, u"koi8-r length 124 to 124 wide chars "},
        {"declared utf-16 in an 8-bit file", "<?xml encoding=\"UTF-16\"?><a>\xC3\xA9</a>",
         u"<?xml encoding=\"UTF-16\"?><a>\u00E9</a>", 0, u"UTF-16 length 34 to 33 wide chars "},
        {"unknown name reads as ansi", "<?xml encoding=\"x-none\"?><a>\xE9</a>",
         u"<?xml encoding=\"x-none\"?><a>\u00E9</a>", 0, u"x-none length 33 to 33 wide chars "},
        {"bad bytes in declared utf-8", "<a>\xE9\xC3</a>",
         u"<a>?"
         u"?</a>",
         0, u"UTF-8 length 9 to 9 wide chars "},
        {"detected utf-8", " <a>\xC3\xA9</a>", u" <a>\u00E9</a>", 0,
         u"UTF-8 length 10 (used UTF-8 detection) to 9 wide chars "},
        {"detection fails: ansi", " <a>\xE9</a>", u" <a>\u00E9</a>", 0,
         u"ANSI length 9 (used UTF-8 detection) to 9 wide chars "},
        {"zero bytes removed", "<a>\0x</a>"s, u"<a>x</a>", 0,
         u"UTF-8 length 9 (1 nulls removed) to 8 wide chars "},
        {"empty file", "", u"", 0, u"ANSI 0 length "},
        {"mark only", "\xEF\xBB\xBF", u"", XmlDoc::FlagUtf8Bom, u"UTF-8 BOM + 0 length "},
        {"odd utf-16 byte dropped", "\xFF\xFE<\0a"s, u"<", XmlDoc::FlagUtf16Le,
         u"UTF-16LE BOM + length 1 "},
    };
    for (const LoadCase& c : cases) {
        SCOPED_TRACE(c.label);
        XmlDoc doc;
        uint32_t flags = XmlDoc::FlagIgnoreCase | XmlDoc::FlagUtf16Be;
        EXPECT_TRUE(doc.LoadFromMemory(c.bytes, flags));
        EXPECT_EQ(doc.Text(), c.text);
        EXPECT_EQ(flags, c.flags | XmlDoc::FlagIgnoreCase);
        EXPECT_EQ(doc.Flags(), flags);
        EXPECT_EQ(doc.LoadReport(), c.report);
    }
}

class XmlDocFileTest : public ::testing::Test {
protected:
    void SetUp() override {
        folder_ =
            std::filesystem::temp_directory_path() / ("xmldoc-test-" + std::to_string(::getpid()));
        std::filesystem::create_directories(folder_);
    }
    void TearDown() override { std::filesystem::remove_all(folder_); }

    std::filesystem::path Write(const std::string& name, const std::string& bytes) {
        std::filesystem::path path = folder_ / name;
        std::ofstream(path, std::ios::binary) << bytes;
        return path;
    }

    std::filesystem::path folder_;
};

TEST_F(XmlDocFileTest, LoadsAndParsesAFile) {
    XmlDoc doc;
    uint32_t flags = 0;
    ASSERT_TRUE(doc.LoadFromFile(Write("a.xml", "\xFF\xFE"s + Utf16Le(u"<r><k>v</k></r>")), flags));
    EXPECT_EQ(flags, XmlDoc::FlagUtf16Le);
    EXPECT_EQ(doc.Flags() & XmlDoc::FlagReading, 0u);
    EXPECT_EQ(doc.LoadReport(), u"UTF-16LE BOM + length 15 ");
    EXPECT_FALSE(doc.SeekChild(u"k")) << "nothing is found before the parse";
    EXPECT_TRUE(doc.ParseText());
    EXPECT_EQ(doc.LoadReport(), u"UTF-16LE BOM + length 15 ");
    ASSERT_TRUE(doc.SeekChild(u"k"));
    EXPECT_EQ(doc.ChildText(), u"v");
}

TEST_F(XmlDocFileTest, ParseProblemFollowsTheLoadReport) {
    XmlDoc doc;
    ASSERT_TRUE(doc.LoadFromFile(Write("b.xml", "<a/><b/>")));
    EXPECT_FALSE(doc.ParseText());
    EXPECT_EQ(doc.LoadReport(), u"UTF-8 length 8 to 8 wide chars  Root element has sibling");
}

TEST_F(XmlDocFileTest, UnreadableFileLeavesAnEmptyDocumentAndTheSystemMessage) {
    XmlDoc doc;
    ASSERT_TRUE(doc.SetText(u"<old><k>v</k></old>"));
    EXPECT_FALSE(doc.LoadFromFile(folder_ / "missing.xml"));
    EXPECT_EQ(doc.LoadReport(), u"No such file or directory");
    EXPECT_EQ(doc.Text(), u"");
    EXPECT_FALSE(doc.SeekChild(u"k"));
    EXPECT_FALSE(doc.LoadFromFile(folder_));
    EXPECT_EQ(doc.LoadReport(), u"Is a directory");
}

} // namespace
} // namespace lumetta
