#include "apps/ctl/CtlOptions.h"
#include "apps/ctl/FirmwareDescription.h"
#include "apps/ctl/ProgressBar.h"

#include "InProcessKeyboard.h"
#include "ScriptedCatalogue.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace lumetta::ctl {
namespace {

using Command = CtlOptions::Command;

CtlOptions parse(std::vector<std::string_view> args) {
    return parseCtlOptions(args);
}

TEST(CtlOptions, CommandsAndTheirOptions) {
    const struct {
        std::vector<std::string_view> args;
        Command command;
        std::string dir;
        int profile; // 0: none
        bool force;
    } rows[] = {
        {{"list"}, Command::LIST, "", 0, false},
        {{"info"}, Command::INFO, "", 0, false},
        {{"read", "--dir", "out"}, Command::READ, "out", 0, false},
        {{"read", "--dir=out", "--force"}, Command::READ, "out", 0, true},
        {{"--force", "read", "--dir", "a b"}, Command::READ, "a b", 0, true},
        {{"write"}, Command::WRITE, "", 0, false},
        {{"write", "--profile", "6", "--dir", "d"}, Command::WRITE, "d", 6, false},
        {{"switch", "1"}, Command::SWITCH, "", 1, false},
        {{"--debug", "switch", "6"}, Command::SWITCH, "", 6, false},
        {{"--help"}, Command::HELP, "", 0, false},
        {{"read", "-h"}, Command::HELP, "", 0, false},
        {{"--version"}, Command::VERSION, "", 0, false},
    };
    for (const auto& row : rows) {
        const CtlOptions options = parse(row.args);
        SCOPED_TRACE(std::string(row.args[0]) + " " + options.error);
        EXPECT_EQ(options.command, row.command);
        EXPECT_EQ(options.dir.value_or("").string(), row.dir);
        EXPECT_EQ(options.profile.value_or(0), row.profile);
        EXPECT_EQ(options.force, row.force);
    }
}

TEST(CtlOptions, UsageErrorsSayWhatIsWrong) {
    const struct {
        std::vector<std::string_view> args;
        std::string error;
    } rows[] = {
        {{}, "no command given"},
        {{"frob"}, "unknown command frob"},
        {{"read"}, "read needs --dir DIR"},
        {{"read", "--dir"}, "--dir needs a value"},
        {{"read", "--dir="}, "--dir needs a value"},
        {{"switch"}, "switch needs one profile number, 1 to 6"},
        {{"switch", "0"}, "the profile number must be 1 to 6"},
        {{"switch", "7"}, "the profile number must be 1 to 6"},
        {{"switch", "2x"}, "the profile number must be 1 to 6"},
        {{"write", "--profile", "-1"}, "the profile number must be 1 to 6"},
        {{"info", "--dir", "x"}, "--dir goes only with read and write"},
        {{"write", "--force"}, "--force goes only with read"},
        {{"read", "--dir", "x", "--profile", "2"}, "--profile goes only with write"},
        {{"list", "extra"}, "too many words for list"},
        {{"list", "--frob"}, "unknown option --frob"},
        {{"list", "--directory=x"}, "unknown option --directory=x"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.error);
        const CtlOptions options = parse(row.args);
        EXPECT_EQ(options.command, Command::INVALID);
        EXPECT_EQ(options.error, row.error);
    }
}

TEST(ProgressBar, DrawsTheWholeNumberPercentage) {
    const struct {
        int percent;
        std::string line;
    } rows[] = {
        {0, "Reading [----------]   0%"},
        {42, "Reading [####------]  42%"},
        {100, "Reading [##########] 100%"},
        {130, "Reading [##########] 100%"},
    };
    for (const auto& row : rows) {
        EXPECT_EQ(progressLine("Reading", row.percent, 10), row.line);
    }
}

TEST(FirmwareDescription, VersionRecordTextStopsAtItsLengthOrTerminator) {
    auto record = [](std::uint32_t length, std::u16string text) {
        FirmwareRecordBlock block{};
        for (int i = 0; i < 4; ++i) {
            block[i] = static_cast<std::uint8_t>(length >> (8 * i));
        }
        for (std::size_t i = 0; i < text.size() && 4 + 2 * i + 1 < block.size(); ++i) {
            block[4 + 2 * i] = static_cast<std::uint8_t>(text[i]);
            block[5 + 2 * i] = static_cast<std::uint8_t>(text[i] >> 8);
        }
        return block;
    };
    EXPECT_EQ(versionRecordText(record(26, u"V1.2 build 5")), u"V1.2 build 5");
    EXPECT_EQ(versionRecordText(record(6, u"V1.2 build 5")), u"V1.");
    EXPECT_EQ(versionRecordText(record(1000, u"V1.02")), u"V1.02");
    FirmwareRecordBlock erased;
    erased.fill(0xFF);
    EXPECT_EQ(versionRecordText(erased), u"");
}

TEST(FirmwareDescription, ReadsAsTheAboutPageDoesWithRetries) {
    testing::InProcessKeyboard keyboard;
    int failuresLeft = 3;
    testing::ScriptedCatalogue flaky;
    flaky.answer = [&](CommandReport& r) { return failuresLeft-- > 0 ? 1 : keyboard.Transact(r); };
    const auto description = readFirmwareDescription(flaky);
    ASSERT_TRUE(description);
    EXPECT_EQ(description->model, "LUMETTA-SIM-0001");
    EXPECT_EQ(description->layoutId, 1);
    EXPECT_EQ(description->versionText, u"V1.2 build 5");
    EXPECT_EQ(description->applicationVersion.value_or(""), "1.2 build 5");
    EXPECT_EQ(flaky.sleeps.size(), 3u);

    testing::ScriptedCatalogue dead;
    dead.answer = [](CommandReport&) { return 1; };
    EXPECT_FALSE(readFirmwareDescription(dead));
    EXPECT_EQ(dead.sleeps.size(), 15u) << "fifteen tries of the first step, then it stops";
}

} // namespace
} // namespace lumetta::ctl
