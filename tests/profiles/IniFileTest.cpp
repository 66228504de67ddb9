#include "profiles/IniFile.h"

#include "TestFolders.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <array>

namespace lumetta {
namespace {

namespace fs = std::filesystem;
using testing::TempFolder;

std::vector<unsigned char> utf16File(std::u16string_view text) {
    std::vector<unsigned char> bytes = {0xFF, 0xFE};
    for (char16_t unit : text) {
        bytes.push_back(unit & 0xFF);
        bytes.push_back(unit >> 8);
    }
    return bytes;
}

TEST(IniFile, ReadingNeverCreatesAndEnsureExistsWritesOnlyTheMark) {
    TempFolder folder;
    const IniFile file(folder / "a.ini");
    EXPECT_EQ(file.readString(u"S", u"K", u"dflt"), u"dflt");
    EXPECT_EQ(file.readInt(u"S", u"K", 7), 7);
    std::array<std::uint8_t, 3> block{1, 2, 3};
    EXPECT_FALSE(file.readStruct(u"S", u"K", block));
    EXPECT_FALSE(fs::exists(file.path()));

    EXPECT_TRUE(file.ensureExists());
    EXPECT_EQ(testing::readBytes(file.path()), (std::vector<unsigned char>{0xFF, 0xFE}));
    ASSERT_TRUE(file.writeString(u"S", u"K", u"v"));
    EXPECT_TRUE(file.ensureExists());
    EXPECT_EQ(testing::readBytes(file.path()), utf16File(u"[S]\r\nK=v\r\n"));
}

TEST(IniFile, WritesAppearInFileOrder) {
    TempFolder folder;
    const IniFile file(folder / "p.Prf");
    const std::array<std::uint8_t, 3> status{1, 1, 0};
    ASSERT_TRUE(file.writeString(u"NAME", u"PROFILE_NAME", u"Profile 1"));
    ASSERT_TRUE(file.writeInt(u"EFFECT", u"SELECT_EFFECT", 4100));
    ASSERT_TRUE(file.writeStruct(u"EFFECT", u"SYSTEM_STATUS", status));
    ASSERT_TRUE(file.writeString(u"name", u"PROFILE_NAME_PIC", u"pic.png"));
    EXPECT_EQ(testing::readBytes(file.path()),
              utf16File(u"[NAME]\r\nPROFILE_NAME=Profile 1\r\nPROFILE_NAME_PIC=pic.png\r\n"
                        u"[EFFECT]\r\nSELECT_EFFECT=4100\r\nSYSTEM_STATUS=01010002\r\n"));
    std::array<std::uint8_t, 3> back{};
    ASSERT_TRUE(file.readStruct(u"effect", u"system_status", back));
    EXPECT_EQ(back, status);
}

TEST(IniFile, ReadsIntegersAsThePlatformDoes) {
    struct Case {
        std::u16string value;
        int expected;
    };
    const Case cases[] = {
        {u"4100", 4100},      {u"-5", -5},        {u"+12", 12},       {u"0x1F", 31},
        {u"0X10", 16},        {u"0b101", 5},      {u"4100xyz", 4100}, {u"abc", 0},
        {u"  77  ", 77},      {u"4294967297", 1}, {u"-0", 0},         {u"", 3},
        {u"\u0661\u0662", 0},
    };
    TempFolder folder;
    const IniFile file(folder / "i.ini");
    for (const auto& c : cases) {
        ASSERT_TRUE(file.writeString(u"S", u"K", c.value));
        EXPECT_EQ(file.readInt(u"S", u"K", 3), c.expected)
            << std::string(c.value.begin(), c.value.end());
    }
}

TEST(IniFile, LongStringsAreCutAtTheBufferSize) {
    TempFolder folder;
    const IniFile file(folder / "l.ini");
    ASSERT_TRUE(file.writeString(u"S", u"K", std::u16string(5000, u'x')));
    EXPECT_EQ(file.readString(u"S", u"K", u""), std::u16string(IniFile::MAX_STRING_UNITS, u'x'));
}

TEST(IniFile, OversizedOrUnreadableFilesAreNeverReplaced) {
    TempFolder folder;
    const fs::path big = folder / "big.ini";
    testing::writeBytes(big, "[S]\r\nK=1\r\n");
    ASSERT_EQ(::truncate(big.c_str(), IniFile::MAX_FILE_BYTES + 1), 0);
    const IniFile file(big);
    EXPECT_EQ(file.readInt(u"S", u"K", 9), 9);
    EXPECT_FALSE(file.writeInt(u"S", u"K", 2));
    EXPECT_EQ(fs::file_size(big), IniFile::MAX_FILE_BYTES + 1);

    EXPECT_FALSE(IniFile(folder / "missing" / "x.ini").writeInt(u"S", u"K", 1));
    EXPECT_FALSE(IniFile(folder.path()).writeInt(u"S", u"K", 1)) << "a folder is no file";
    EXPECT_FALSE(IniFile(fs::path()).writeInt(u"S", u"K", 1));
}

TEST(IniFile, RewritingKeepsForeignContent) {
    TempFolder folder;
    const fs::path path = folder / "mixed.ini";
    // Written elsewhere: UTF-8 without a mark, LF line ends, comments and other keys.
    testing::writeBytes(path, "; kept\n[Other]\nx = \xC3\xA9t\xC3\xA9\n[Setting]\nProfile=1\n");
    ASSERT_TRUE(IniFile(path).writeInt(u"Setting", u"Profile", 4));
    EXPECT_EQ(testing::readBytes(path),
              utf16File(u"; kept\n[Other]\nx = \u00E9t\u00E9\n[Setting]\nProfile=4\n"));
}

} // namespace
} // namespace lumetta
