#include "platform/os/Utf16.h"

#include <gtest/gtest.h>

namespace lumetta::os {
namespace {

TEST(Utf16, ConvertsBothWaysAndReplacesMalformedInput) {
    struct Case {
        std::string utf8;
        std::u16string utf16;
        bool roundTrips;
    };
    const Case cases[] = {
        {"", u"", true},
        {"Profile 1", u"Profile 1", true},
        {"\xC3\xA9t\xC3\xA9", u"\u00E9t\u00E9", true},
        {"\xE2\x82\xAC", u"\u20AC", true},
        {"\xF0\x9F\x8E\xB9", u"\U0001F3B9", true},
        {"a\xFF"
         "b",
         u"a\uFFFDb", false},                           // byte that never starts a sequence
        {"\xC0\xAF", u"\uFFFD\uFFFD", false},           // overlong slash
        {"\xED\xA0\x80", u"\uFFFD\uFFFD\uFFFD", false}, // encoded surrogate
        {"\xE2\x82", u"\uFFFD\uFFFD", false},           // cut short
    };
    for (const auto& c : cases) {
        EXPECT_EQ(utf8ToUtf16(c.utf8), c.utf16) << "utf8 input of " << c.utf8.size() << " bytes";
        if (c.roundTrips) {
            EXPECT_EQ(utf16ToUtf8(c.utf16), c.utf8);
        }
    }
    EXPECT_EQ(utf16ToUtf8(u"a\xD800"
                          u"b"),
              "a\xEF\xBF\xBD"
              "b");
    EXPECT_EQ(utf16ToUtf8(std::u16string(1, char16_t(0xDC00))), "\xEF\xBF\xBD");
}

TEST(Utf16, CutKeepsSurrogatePairsWhole) {
    const std::u16string text = u"ab\U0001F3B9c";
    EXPECT_EQ(cutUtf16(text, 10), text);
    EXPECT_EQ(cutUtf16(text, 4), u"ab\U0001F3B9");
    EXPECT_EQ(cutUtf16(text, 3), u"ab");
    EXPECT_EQ(cutUtf16(text, 2), u"ab");
    EXPECT_EQ(cutUtf16(text, 0), u"");
}

} // namespace
} // namespace lumetta::os
