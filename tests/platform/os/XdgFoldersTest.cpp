#include "platform/os/XdgFolders.h"

#include "TestFolders.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

namespace lumetta::os {
namespace {

namespace fs = std::filesystem;
using testing::ScopedEnv;
using testing::TempFolder;
using testing::TempHome;

TEST(XdgFolders, UserDirFromText) {
    struct Case {
        std::string text;
        std::string expected;
    };
    const Case cases[] = {
        {"XDG_DESKTOP_DIR=\"$HOME/Desktop\"\n", "/home/u/Desktop"},
        {"# comment\nXDG_DOWNLOAD_DIR=\"$HOME/Dl\"\nXDG_DESKTOP_DIR=\"$HOME/Bureau\"\n",
         "/home/u/Bureau"},
        {"XDG_DESKTOP_DIR=\"/data/desk\"\n", "/data/desk"},
        {"XDG_DESKTOP_DIR=\"$HOME/My\\\"Desk\"\n", "/home/u/My\"Desk"},
        {"  XDG_DESKTOP_DIR = \"$HOME/Spaced\"  \r\n", "/home/u/Spaced"},
        {"XDG_DESKTOP_DIR=\"relative/desk\"\n", ""},
        {"XDG_DESKTOP_DIRX=\"$HOME/Other\"\n", ""},
        {"", ""},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(userDirFromText(c.text, "XDG_DESKTOP_DIR", "/home/u"), fs::path(c.expected))
            << c.text;
    }
}

TEST(XdgFolders, ConfigHomeFollowsEnvironment) {
    TempFolder home;
    ScopedEnv homeEnv("HOME", home.path().string());
    {
        ScopedEnv config("XDG_CONFIG_HOME", "/elsewhere/config");
        EXPECT_EQ(configHome(), fs::path("/elsewhere/config"));
    }
    {
        ScopedEnv config("XDG_CONFIG_HOME", "relative/config");
        EXPECT_EQ(configHome(), home.path() / ".config");
    }
    ScopedEnv config("XDG_CONFIG_HOME", std::nullopt);
    EXPECT_EQ(configHome(), home.path() / ".config");
}

TEST(XdgFolders, DesktopFallsBackFromUserDirsToDesktopToHome) {
    TempHome home;
    EXPECT_EQ(desktopFolder(), home.path());

    fs::create_directories(home.path() / "Desktop");
    EXPECT_EQ(desktopFolder(), home.path() / "Desktop");

    fs::create_directories(home.config());
    testing::writeBytes(home.config() / "user-dirs.dirs",
                        "XDG_DESKTOP_DIR=\"$HOME/Schreibtisch\"\n");
    EXPECT_EQ(desktopFolder(), home.path() / "Desktop") << "named folder does not exist yet";

    fs::create_directories(home.path() / "Schreibtisch");
    EXPECT_EQ(desktopFolder(), home.path() / "Schreibtisch");
}

TEST(XdgFolders, RuntimeFolderPrefersEnvironment) {
    TempFolder runtime;
    ScopedEnv env("XDG_RUNTIME_DIR", runtime.path().string());
    EXPECT_EQ(runtimeFolder(), runtime.path());
}

TEST(XdgFolders, PrivateFolderIsCreatedAndCheckedForStrangers) {
    TempFolder base;
    const fs::path folder = base / "private";
    ASSERT_TRUE(ensurePrivateFolder(folder));
    struct stat info {};
    ASSERT_EQ(::stat(folder.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0700u);
    EXPECT_TRUE(ensurePrivateFolder(folder)) << "an existing private folder is fine";

    ::chmod(folder.c_str(), 0777);
    EXPECT_FALSE(ensurePrivateFolder(folder)) << "others could plant files in it";

    const fs::path link = base / "link";
    fs::create_directory_symlink(base / "target", link);
    fs::create_directories(base / "target");
    ::chmod((base / "target").c_str(), 0700);
    EXPECT_FALSE(ensurePrivateFolder(link)) << "a link can point anywhere";
}

TEST(XdgFolders, ProgramFolderHoldsThisTest) {
    EXPECT_TRUE(fs::exists(programFolder() / "test_platform_os"));
}

} // namespace
} // namespace lumetta::os
