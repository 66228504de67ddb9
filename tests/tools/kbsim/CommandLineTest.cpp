#include "kbsim/CommandLine.h"

#include <gtest/gtest.h>

#include <vector>

namespace lumetta::kbsim {
namespace {

using Kind = CommandLine::Kind;

CommandLine parse(std::vector<std::string_view> args) {
    return parseCommandLine(args);
}

TEST(CommandLineTest, KindsAndErrors) {
    const std::string longPath(120, 'x');
    struct Case {
        std::vector<std::string_view> args;
        Kind kind;
        std::string error;
    };
    const Case cases[] = {
        {{"--root", "/r"}, Kind::SERVE, ""},
        {{"--root=/r", "--layout", "jp"}, Kind::SERVE, ""},
        {{"--control", "/s", "drop-answers", "3"}, Kind::CLIENT, ""},
        {{"--help"}, Kind::HELP, ""},
        {{"--version"}, Kind::VERSION, ""},
        {{}, Kind::INVALID, "--root DIR is required"},
        {{"--root"}, Kind::INVALID, "--root needs a value"},
        {{"--root", "/r", "--layout", "de"}, Kind::INVALID, "--layout must be us, eu or jp"},
        {{"--root", "/r", "--speed", "2"}, Kind::INVALID, "unknown option --speed"},
        {{"state"}, Kind::INVALID, "a control command needs --control SOCKET"},
        {{"--root", "/r", "--control", "/s", "state"},
         Kind::INVALID,
         "a control command takes only --control"},
        {{"--control", "/s"}, Kind::INVALID, "--control without --root needs a command"},
        {{"--root", "/r", "--control", longPath},
         Kind::INVALID,
         "the control socket path is too long for a Unix socket"},
    };
    for (const Case& c : cases) {
        const CommandLine line = parse(c.args);
        std::string joined;
        for (auto a : c.args) {
            joined += std::string(a) + " ";
        }
        EXPECT_EQ(line.kind, c.kind) << joined;
        EXPECT_EQ(line.error, c.error) << joined;
    }
}

TEST(CommandLineTest, ServeDefaultsLieUnderTheRoot) {
    const CommandLine line = parse({"--root", "/tmp/k", "--log", "/var/l.log"});
    EXPECT_EQ(line.stateFile, "/tmp/k/kbsim.state");
    EXPECT_EQ(line.logFile, "/var/l.log");
    EXPECT_EQ(line.controlSocket, "/tmp/k/kbsim.sock");
    EXPECT_FALSE(line.layout) << "no layout given: an existing state keeps its own";

    const CommandLine client = parse({"--control=/tmp/k/s", "unplug-after", "7"});
    EXPECT_EQ(client.command, "unplug-after 7");
    EXPECT_EQ(client.controlSocket, "/tmp/k/s");
}

} // namespace
} // namespace lumetta::kbsim
