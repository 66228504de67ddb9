#include "profiles/DebugLog.h"

#include "platform/os/Utf16.h"

#include "TestFolders.h"

#include <gtest/gtest.h>

namespace lumetta {
namespace {

namespace fs = std::filesystem;

std::u16string fileText(const fs::path& path, bool& hasMark) {
    const auto bytes = testing::readBytes(path);
    hasMark = bytes.size() >= 2 && bytes[0] == 0xFF && bytes[1] == 0xFE;
    std::u16string text;
    for (std::size_t i = 2; i + 1 < bytes.size(); i += 2) {
        text.push_back(static_cast<char16_t>(bytes[i] | (bytes[i + 1] << 8)));
    }
    return text;
}

TEST(DebugLog, LineHasStampMessageAndBreak) {
    std::tm time{};
    time.tm_mon = 11;
    time.tm_mday = 9;
    time.tm_hour = 16;
    time.tm_min = 5;
    time.tm_year = 124;
    struct Case {
        std::string message;
        std::u16string expected;
    };
    const Case cases[] = {
        {"App Init", u"12/09 16:05 App Init\r\n"},
        {"100% sure", u"12/09 16:05 100% sure\r\n"},
        {"", u"12/09 16:05 \r\n"},
        {"\xC3\xA9", u"12/09 16:05 \u00E9\r\n"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(formatLogLine(c.message, &time), c.expected) << c.message;
    }
    EXPECT_EQ(formatLogLine("x", nullptr), u"x\r\n") << "no time, no stamp";
    const std::u16string cut = formatLogLine(std::string(2000, 'm'), &time);
    EXPECT_EQ(cut, u"12/09 16:05 " + std::u16string(MAX_LOG_MESSAGE_UNITS, u'm') + u"\r\n");
}

TEST(DebugLog, FileGetsTheMarkOnceAndLinesAppend) {
    testing::TempFolder folder;
    const fs::path path = folder / "log";
    ASSERT_TRUE(appendLogLine(path, u"one\r\n"));
    ASSERT_TRUE(appendLogLine(path, u"two\r\n"));
    bool mark = false;
    EXPECT_EQ(fileText(path, mark), u"one\r\ntwo\r\n");
    EXPECT_TRUE(mark);

    testing::writeBytes(path, "");
    ASSERT_TRUE(appendLogLine(path, u"three\r\n"));
    EXPECT_EQ(fileText(path, mark), u"three\r\n");
    EXPECT_TRUE(mark) << "an empty file gets the mark too";
    EXPECT_FALSE(appendLogLine(folder / "no" / "log", u"x"));
}

// The switch is process-wide and never goes off, so one test covers off and then on.
TEST(DebugLog, NothingIsWrittenUntilTheSwitchIsOn) {
    testing::TempHome home;
    fs::create_directories(home.path() / "Desktop");
    const fs::path expected = home.path() / "Desktop" / "Tarnwick Setup.log";
    ASSERT_EQ(logFilePath(), expected);

    ASSERT_FALSE(debugLogEnabled());
    writeLog("App Init");
    EXPECT_FALSE(fs::exists(expected));

    enableDebugLog();
    writeLog("GetFWVer: %s", "1.02");
    writeLog("50%% done");
    writeLogText("raw 100%s");
    bool mark = false;
    const std::u16string text = fileText(expected, mark);
    EXPECT_TRUE(mark);
    const std::u16string lines[] = {u"GetFWVer: 1.02\r\n", u"50% done\r\n", u"raw 100%s\r\n"};
    std::size_t pos = 0;
    for (const auto& line : lines) {
        // Each line is "MM/DD HH:MM " and then the message.
        ASSERT_LT(pos + 12, text.size());
        EXPECT_EQ(text[pos + 2], u'/');
        EXPECT_EQ(text[pos + 8], u':');
        EXPECT_EQ(text.substr(pos + 12, line.size()), line);
        pos += 12 + line.size();
    }
    EXPECT_EQ(pos, text.size());
}

} // namespace
} // namespace lumetta
