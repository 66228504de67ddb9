#include "updater/cli/UpdaterCommandLine.h"

#include <gtest/gtest.h>

namespace lumetta {

void PrintTo(const UpdaterOptions& o, std::ostream* out) {
    *out << "{silent " << o.Silent << ", autoStart " << o.AutoStart << ", force " << o.Force
         << ", image " << o.ForcedImage << ", caller '" << o.CallerPath << "', help "
         << o.helpRequested << "}";
}

namespace {

UpdaterOptions expect(bool silent, bool autoStart, bool force, int image, std::string caller,
                      bool help) {
    UpdaterOptions options;
    options.Silent = silent;
    options.AutoStart = autoStart;
    options.Force = force;
    options.ForcedImage = image;
    options.CallerPath = std::move(caller);
    options.helpRequested = help;
    return options;
}

TEST(UpdaterCommandLine, ArgumentsToOptions) {
    struct Case {
        std::vector<std::string> argv;
        UpdaterOptions expected;
    };
    const Case cases[] = {
        {{"./Reflasher"}, expect(false, false, false, -1, "", false)},
        {{"Reflasher", "-silent"}, expect(true, true, false, -1, "", false)},
        {{"Reflasher", "-SILENT"}, expect(true, true, false, -1, "", false)},
        {{"Reflasher", "x-silent"}, expect(false, false, false, -1, "", false)},
        {{"Reflasher", "-force"}, expect(false, false, true, -1, "", false)},
        {{"Reflasher", "-Force", "-silent"}, expect(true, true, true, -1, "", false)},
        {{"Reflasher", "bin:2"}, expect(false, false, false, 2, "", false)},
        {{"Reflasher", "BIN:9"}, expect(false, false, false, 9, "", false)},
        {{"Reflasher", "xbin:3y"}, expect(false, false, false, 3, "", false)},
        {{"Reflasher", "bin:0"}, expect(false, false, false, -1, "", false)},
        {{"Reflasher", "bin:10"}, expect(false, false, false, -1, "", false)},
        {{"Reflasher", "bin:"}, expect(false, false, false, -1, "", false)},
        {{"Reflasher", "bin:-3"}, expect(false, false, false, -1, "", false)},
        {{"Reflasher", "bin:99999999999999"}, expect(false, false, false, -1, "", false)},
        {{"Reflasher", "bin:4", "bin:0"}, expect(false, false, false, 4, "", false)},
        {{"Reflasher", "true", "../Lumetta"}, expect(false, true, false, -1, "../Lumetta", false)},
        {{"Reflasher", "TRUE"}, expect(false, true, false, -1, "", false)},
        // The caller's path is examined as an option too.
        {{"Reflasher", "true", "-silent"}, expect(true, true, false, -1, "-silent", false)},
        {{"Reflasher", "/?"}, expect(false, false, false, -1, "", true)},
        {{"Reflasher", "x/HELPx"}, expect(false, false, false, -1, "", true)},
        {{"Reflasher", "-silent", "/help"}, expect(true, true, false, -1, "", true)},
        // Paths are not searched for help: "/" separates their folders here.
        {{"/opt/x/Reflasher/?"}, expect(false, false, false, -1, "", false)},
        {{"/opt/x/a/?b", "-force"}, expect(false, false, true, -1, "", false)},
        {{"/opt/helpers/Reflasher", "-force"}, expect(false, false, true, -1, "", false)},
        {{"Reflasher", "true", "/opt/helpers/Lumetta"},
         expect(false, true, false, -1, "/opt/helpers/Lumetta", false)},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(parseUpdaterCommandLine(c.argv), c.expected) << ::testing::PrintToString(c.argv);
    }
}

TEST(UpdaterCommandLine, HelpTextIsExact) {
    EXPECT_EQ(updaterHelpText(), "\n\nMossgate Reflasher V1.00\n"
                                 "/?  \t\t:help Info\n"
                                 "bin:  \t\t:force to update the bin(layout),\n"
                                 "\t\t but still check the version. ex: bin:2\n"
                                 "-silent  \t:don't show ui and auto to update fw\n"
                                 "-force  \t:force to update fw (Ignore Ver)\n"
                                 "\n\nPlease press enter key to end\n");
    EXPECT_EQ(updaterHelpLines().size(), 6u);
}

} // namespace
} // namespace lumetta
