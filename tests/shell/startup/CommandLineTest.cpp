#include "shell/startup/CommandLine.h"
#include "shell/startup/ConfiguratorStartup.h"

#include <gtest/gtest.h>

namespace lumetta {

void PrintTo(const StartupOptions& o, std::ostream* out) {
    *out << "{debug " << o.debug << ", check " << o.firmwareCheck << ", ui " << o.sizeChoice
         << ", language " << int(o.languageCode) << "}";
}

namespace {

StartupOptions options(bool debug, bool check, int ui, int language) {
    StartupOptions o;
    o.debug = debug;
    o.firmwareCheck = check;
    o.sizeChoice = ui;
    o.languageCode = static_cast<std::uint8_t>(language);
    return o;
}

TEST(CommandLine, WordsToStartupValues) {
    struct Case {
        std::vector<std::string> arguments;
        StartupOptions expected;
    };
    const Case cases[] = {
        {{}, options(false, false, -1, 255)},
        {{"Debug", "ui:1"}, options(true, false, 1, 255)},
        {{"DEBUG"}, options(true, false, -1, 255)},
        {{"true"}, options(false, true, -1, 255)},
        {{"True", "debug", "ui:7"}, options(true, true, 7, 255)},
        {{"xui:0"}, options(false, false, 0, 255)},
        {{"ui:"}, options(false, false, 0, 255)},
        {{"ui:abc"}, options(false, false, 0, 255)},
        {{"ui:-1"}, options(false, false, -1, 255)},
        {{"ui:1", "ui:2"}, options(false, false, 2, 255)},
        {{"ui:2ui:0"}, options(false, false, 2, 255)},
        {{"ui:99999999999"}, options(false, false, 2147483647, 255)},
        {{"german"}, options(false, false, -1, 2)},
        {{"VIET_NAM"}, options(false, false, -1, 16)},
        {{"en", "swedish"}, options(false, false, -1, 11)},
        {{"english", "debugx", "truex", "-debug"}, options(false, false, -1, 255)},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(parseCommandLine(c.arguments), c.expected)
            << ::testing::PrintToString(c.arguments);
    }
}

TEST(CommandLine, EveryLanguageWordHasItsCode) {
    const std::pair<const char*, int> words[] = {
        {"en", 0},         {"french", 1},     {"german", 2}, {"italian", 3},   {"japan", 4},
        {"korean", 5},     {"portuguese", 6}, {"brazil", 7}, {"russian", 8},   {"cs", 9},
        {"spanish", 10},   {"swedish", 11},   {"ct", 12},    {"thailand", 13}, {"malaysia", 14},
        {"indonesia", 15}, {"viet_nam", 16},
    };
    for (const auto& [word, code] : words) {
        EXPECT_EQ(languageCode(word), code) << word;
    }
}

TEST(CommandLine, SizeFolderFromChoiceAndScreen) {
    struct Case {
        int choice, width, height;
        std::string folder;
    };
    const Case cases[] = {
        {-1, 2560, 1600, "2500x1563/"}, {-1, 2500, 1563, "2500x1563/"},
        {-1, 2560, 1440, "1800x1125/"}, {-1, 1920, 1200, "1800x1125/"},
        {-1, 1920, 1080, "1366x768/"},  {-1, 800, 600, "1366x768/"},
        {0, 800, 600, "2500x1563/"},    {1, 3840, 2160, "1800x1125/"},
        {7, 3840, 2160, "1366x768/"},   {-2, 3840, 2160, "1366x768/"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(chooseStartupSizeFolder(c.choice, c.width, c.height), c.folder)
            << "choice " << c.choice << " screen " << c.width << "x" << c.height;
    }
}

} // namespace
} // namespace lumetta
