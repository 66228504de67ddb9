#include "profiles/IniDocument.h"

#include "platform/os/Utf16.h"

#include <gtest/gtest.h>

namespace lumetta {
namespace {

std::u16string u(std::string_view text) {
    return os::utf8ToUtf16(text);
}
std::string narrow(std::u16string_view text) {
    return os::utf16ToUtf8(text);
}

IniDocument fromText(std::string_view text) {
    return IniDocument::fromBytes(
        std::span(reinterpret_cast<const std::uint8_t*>(text.data()), text.size()));
}

TEST(IniDocument, FindsValues) {
    struct Case {
        std::string text;
        std::string section;
        std::string key;
        std::optional<std::string> expected;
    };
    const Case cases[] = {
        {"[NAME]\r\nPROFILE_NAME=Game\r\n", "NAME", "PROFILE_NAME", "Game"},
        {"[name]\nprofile_name=Game\n", "NAME", "PROFILE_NAME", "Game"},
        {"[NAME]\rKEY=cr only\r", "name", "key", "cr only"},
        {"  [ NAME ]  \r\n  KEY  =  spaced out  \r\n", "NAME", "KEY", "spaced out"},
        {"[S]\r\nK=a=b\r\n", "S", "K", "a=b"},
        {"[S]\r\nK=\r\n", "S", "K", ""},
        {"[S]\r\nK=first\r\nK=second\r\n", "S", "K", "first"},
        {"[S]\r\nA=1\r\n[S]\r\nK=later\r\n", "S", "K", std::nullopt},
        {"K=before any section\r\n[S]\r\n", "S", "K", std::nullopt},
        {"[S]\r\n;K=comment\r\nK\r\n", "S", "K", std::nullopt},
        {"[T]\r\nK=other section\r\n[S]\r\n", "S", "K", std::nullopt},
        {"[S\r\nK=unclosed header\r\n", "S", "K", "unclosed header"},
        {"[S]trailing\r\nK=v\r\n", "S", "K", "v"},
        {"[S]\r\n\r\n\r\nK=after blanks", "S", "K", "after blanks"},
        {"", "S", "K", std::nullopt},
    };
    for (const auto& c : cases) {
        const IniDocument document = fromText(c.text);
        const auto found = document.find(u(c.section), u(c.key));
        if (c.expected) {
            ASSERT_TRUE(found) << c.text;
            EXPECT_EQ(narrow(*found), *c.expected) << c.text;
        } else {
            EXPECT_FALSE(found) << c.text;
        }
    }
}

TEST(IniDocument, SetReplacesInPlaceOrAppends) {
    struct Case {
        std::string before;
        std::string section, key, value;
        std::string after;
    };
    const Case cases[] = {
        {"", "S", "K", "V", "[S]\r\nK=V\r\n"},
        {"[S]\r\nK=old\r\nL=1\r\n", "s", "k", "new", "[S]\r\nK=new\r\nL=1\r\n"},
        {"[S]\r\nK = old value \r\n", "S", "K", "x", "[S]\r\nK =x\r\n"},
        {"[S]\r\nA=1\r\n[T]\r\nB=2\r\n", "S", "K", "V", "[S]\r\nA=1\r\nK=V\r\n[T]\r\nB=2\r\n"},
        {"[S]\r\nA=1\r\n\r\n[T]\r\n", "S", "K", "V", "[S]\r\nA=1\r\nK=V\r\n\r\n[T]\r\n"},
        {"[S]\r\nA=1", "S", "K", "V", "[S]\r\nA=1\r\nK=V\r\n"},
        {"[S]", "S", "K", "V", "[S]\r\nK=V\r\n"},
        {"[S]\nA=1\n", "T", "K", "V", "[S]\nA=1\n[T]\r\nK=V\r\n"},
        {"; note\r\n[S]\r\n", "S", "K", "two\r\nlines", "; note\r\n[S]\r\nK=two  lines\r\n"},
        {"", "S", "K", std::string("cut\0here", 8), "[S]\r\nK=cut\r\n"},
    };
    for (const auto& c : cases) {
        IniDocument document = fromText(c.before);
        document.set(u(c.section), u(c.key), u(c.value));
        EXPECT_EQ(narrow(document.text()), c.after) << "before: " << c.before;
        const auto back = document.find(u(c.section), u(c.key));
        ASSERT_TRUE(back) << c.before;
    }
}

TEST(IniDocument, DecodesEveryEncodingAndWritesUtf16LeWithMark) {
    struct Case {
        std::vector<std::uint8_t> bytes;
        std::u16string text;
    };
    const Case cases[] = {
        {{0xFF, 0xFE, 'A', 0, 0xAC, 0x20}, u"A\u20AC"},
        {{0xFF, 0xFE, 'A', 0, 'B'}, u"A"}, // odd trailing byte
        {{0xFE, 0xFF, 0, 'A', 0x20, 0xAC}, u"A\u20AC"},
        {{0xEF, 0xBB, 0xBF, 'A', 0xE2, 0x82, 0xAC}, u"A\u20AC"},
        {{'A', 0xE2, 0x82, 0xAC}, u"A\u20AC"},
        {{'A', 0xFF, 'B'}, u"A\uFFFDB"},
        {{}, u""},
    };
    for (const auto& c : cases) {
        const IniDocument document = IniDocument::fromBytes(c.bytes);
        EXPECT_EQ(document.text(), c.text) << "case of " << c.bytes.size() << " bytes";
        const auto bytes = document.toBytes();
        ASSERT_GE(bytes.size(), 2u);
        EXPECT_EQ(bytes[0], 0xFF);
        EXPECT_EQ(bytes[1], 0xFE);
        EXPECT_EQ(IniDocument::fromBytes(bytes).text(), c.text);
    }
}

TEST(IniDocument, KeepsUnpairedSurrogatesThroughARewrite) {
    const std::vector<std::uint8_t> bytes = {0xFF, 0xFE, '[', 0,   'S', 0,    ']',  0,    '\n',
                                             0,    'K',  0,   '=', 0,   0x00, 0xD8, '\n', 0};
    IniDocument document = IniDocument::fromBytes(bytes);
    document.set(u"S", u"L", u"x");
    const auto rewritten = IniDocument::fromBytes(document.toBytes());
    ASSERT_TRUE(rewritten.find(u"S", u"K"));
    EXPECT_EQ(*rewritten.find(u"S", u"K"), std::u16string(1, char16_t(0xD800)));
}

} // namespace
} // namespace lumetta
