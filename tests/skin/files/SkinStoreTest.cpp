// Loading the three skin documents from a program folder, the log lines, the string document's
// reload, and the size folder choice.
#include "skin/files/SkinStore.h"
#include "skin/files/SizeFolder.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <unistd.h>
#include <vector>

namespace lumetta {
namespace {

using namespace std::string_literals;

class SkinStoreTest : public ::testing::Test {
protected:
    void SetUp() override {
        folder_ = std::filesystem::temp_directory_path() /
                  ("skinstore-test-" + std::to_string(::getpid()));
        std::filesystem::create_directories(folder_ / "Skins" / "1366x768");
    }
    void TearDown() override { std::filesystem::remove_all(folder_); }

    void Write(const std::filesystem::path& relative, const std::string& bytes) {
        std::ofstream(folder_ / relative, std::ios::binary) << bytes;
    }

    std::filesystem::path folder_;
};

TEST_F(SkinStoreTest, LoadsTheThreeDocuments) {
    std::string skins = "\xFF\xFE"s;
    for (char c : "<root><INFO><SW_VERSION>1.2</SW_VERSION></INFO></root>"s) {
        skins += c;
        skins += '\0';
    }
    Write("Skins.xml", skins);
    Write("Strings.xml", "<root><MAIN><STR_TITLE>Hello\\r\\nWorld</STR_TITLE></MAIN>"
                         "<FUNC_LIST><OFF>Off</OFF></FUNC_LIST></root>");
    Write("Skins/1366x768/Buttons.xml", "<root><MAIN><BUTTON_OK>B,1,2,3,4,,0</BUTTON_OK>"
                                        "</MAIN></root>");
    SkinStore store;
    store.Load(folder_, SizeFolderSmall);
    EXPECT_EQ(store.SkinValueOf(u"INFO", u"SW_VERSION"), u"1.2");
    EXPECT_EQ(store.StringValue(u"MAIN", u"STR_TITLE"), u"Hello\\r\\nWorld");
    EXPECT_EQ(store.LayoutValue(u"MAIN", u"BUTTON_OK"), u"B,1,2,3,4,,0");
    EXPECT_EQ(store.FunctionDisplayName(0x100F), u"Off");
    EXPECT_EQ(store.LoadInfoLine(), u"APP Load Info: Size=1366x768/ Skin=1 Str=1 Btn=1");
    EXPECT_EQ(store.ExePathLine(), u"Exe Path: " + std::u16string(folder_.u16string()) + u"/");

    SkinStore other;
    other.Load(folder_, SizeFolderLarge);
    EXPECT_EQ(other.LoadInfoLine(), u"APP Load Info: Size=2500x1563/ Skin=1 Str=1 Btn=0");
    EXPECT_EQ(other.LayoutValue(u"MAIN", u"BUTTON_OK"), u"");
}

TEST_F(SkinStoreTest, StringDocumentReloadsWhileEmpty) {
    SkinStore store;
    store.Load(folder_, SizeFolderSmall);
    EXPECT_EQ(store.LoadInfoLine(), u"APP Load Info: Size=1366x768/ Skin=0 Str=0 Btn=0");
    EXPECT_FALSE(store.EnsureStrings());

    Write("Strings.xml", "<root><GLOBAL><FONT>Heroic</FONT></GLOBAL></root>");
    EXPECT_TRUE(store.EnsureStrings());
    EXPECT_EQ(store.StringValue(u"GLOBAL", u"FONT"), u"Heroic");

    Write("Strings.xml", "<root><GLOBAL><FONT>Changed</FONT></GLOBAL></root>");
    EXPECT_TRUE(store.EnsureStrings());
    EXPECT_EQ(store.StringValue(u"GLOBAL", u"FONT"), u"Heroic") << "loaded once it has text";
}

TEST_F(SkinStoreTest, LowerCaseStringFileIsFoundToo) {
    Write("strings.xml", "<root><GLOBAL><FONT_SIZE>12</FONT_SIZE></GLOBAL></root>");
    SkinStore store;
    EXPECT_TRUE(store.EnsureStrings(folder_));
    EXPECT_EQ(store.StringValue(u"GLOBAL", u"FONT_SIZE"), u"12");
}

TEST(SizeFolder, ChoosesByScreenOrForcedValue) {
    struct Case {
        int width, height;
        std::optional<int> forced;
        std::string_view folder;
    };
    const std::vector<Case> cases = {
        {3840, 2160, std::nullopt, "2500x1563/"},
        {2500, 1563, std::nullopt, "2500x1563/"},
        {2560, 1440, std::nullopt, "1800x1125/"},
        {2500, 1562, std::nullopt, "1800x1125/"},
        {1800, 1125, std::nullopt, "1800x1125/"},
        {1920, 1080, std::nullopt, "1366x768/"},
        {1366, 768, std::nullopt, "1366x768/"},
        {800, 600, std::nullopt, "1366x768/"},
        {800, 600, 0, "2500x1563/"},
        {3840, 2160, 1, "1800x1125/"},
        {3840, 2160, 2, "1366x768/"},
        {3840, 2160, -1, "1366x768/"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.width) + "x" + std::to_string(c.height));
        EXPECT_EQ(ChooseSizeFolder(c.width, c.height, c.forced), c.folder);
    }
}

} // namespace
} // namespace lumetta
