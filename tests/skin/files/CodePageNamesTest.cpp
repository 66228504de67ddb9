// Encoding names to code pages, and code pages to converters that really open.
#include "skin/files/CodePageNames.h"
#include "skin/files/DecodedXml.h"

#include <gtest/gtest.h>

#include <iconv.h>
#include <string>
#include <vector>

namespace lumetta {
namespace {

TEST(CodePageNames, NamesMapToCodePages) {
    struct Case {
        std::string name;
        uint32_t codePage;
    };
    const std::vector<Case> cases = {
        {"utf-8", 65001},          {"UTF-8", 65001},
        {"utf-16", 1200},          {"unicodeFFFE", 1201},
        {"windows-1252", 1252},    {"Windows-1250", 1250},
        {"shift_jis", 932},        {"gb2312", 936},
        {"ks_c_5601-1987", 949},   {"big5", 950},
        {"iso-8859-1", 28591},     {"ISO-8859-15", 28605},
        {"us-ascii", 20127},       {"koi8-r", 20866},
        {"UTF-32", Utf32CodePage}, {"utf-32BE", Utf32CodePage},
        {"euc-jp", 51932},         {"no-such-name", AnsiCodePage},
        {"", AnsiCodePage},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(CodePageFromName(c.name), c.codePage);
    }
    EXPECT_GE(KnownCodePageNames().size(), 300u);
}

TEST(CodePageNames, EveryNamedCodePageHasAWorkingConverter) {
    for (const CodePageName& entry : KnownCodePageNames()) {
        SCOPED_TRACE(std::string(entry.name));
        EXPECT_EQ(CodePageFromName(entry.name), entry.codePage) << "table out of order";
        if (IsUnicodeCodePage(entry.codePage)) {
            continue;
        }
        std::string converter(IconvNameOf(entry.codePage));
        ASSERT_FALSE(converter.empty());
        iconv_t handle = iconv_open("UTF-16LE", converter.c_str());
        EXPECT_NE(handle, reinterpret_cast<iconv_t>(-1)) << converter;
        if (handle != reinterpret_cast<iconv_t>(-1)) {
            iconv_close(handle);
        }
    }
}

TEST(CodePageNames, ConversionReplacesUndefinedBytes) {
    struct Case {
        std::string bytes;
        std::string encoding;
        std::u16string text;
    };
    const std::vector<Case> cases = {
        {"a\x80z", "", u"a\u20ACz"},
        {"a\x81z", "windows-1252", u"a?z"},
        {"\x82\xA0\x82", "shift_jis", u"\u3042?"},
        {"\xC1\xC2", "koi8-r", u"\u0430\u0431"},
        {"\xC3\xA9", "utf-8", u"\u00E9"},
        {"\xC3\xA9", "utf-16", u"\u00E9"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.encoding);
        EXPECT_EQ(ConvertToUtf16(c.bytes, c.encoding), c.text);
    }
}

} // namespace
} // namespace lumetta
