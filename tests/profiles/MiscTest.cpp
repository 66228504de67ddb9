#include "profiles/Browser.h"
#include "profiles/SoftwareVersion.h"

#include "TestFolders.h"

#include <gtest/gtest.h>

namespace lumetta {
namespace {

TEST(SoftwareVersion, ReadsInfoSwVersionOrNothing) {
    testing::TempFolder folder;
    EXPECT_EQ(readSoftwareVersion(folder.path()), u"") << "no Skins.xml";
    testing::writeBytes(folder / "Skins.xml", "<root><INFO><OTHER>x</OTHER></INFO></root>");
    EXPECT_EQ(readSoftwareVersion(folder.path()), u"");
    testing::writeBytes(folder / "Skins.xml",
                        "<root><INFO><SW_VERSION>V1.0.3</SW_VERSION></INFO></root>");
    EXPECT_EQ(readSoftwareVersion(folder.path()), u"V1.0.3");
}

TEST(Browser, AddressIsTheOnlyArgument) {
    struct Case {
        std::string address;
        std::vector<std::string> command;
    };
    const Case cases[] = {
        {"https://example.org/a b?x=1&y=$HOME",
         {"xdg-open", "https://example.org/a b?x=1&y=$HOME"}},
        {"", {}},
        {"--help", {}},
        {std::string(300, 'a'), {"xdg-open", std::string(256, 'a')}},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(browserCommand(c.address), c.command) << c.address;
    }
    EXPECT_FALSE(openInBrowser("-x"));
}

} // namespace
} // namespace lumetta
