#include "lighting/model/KeyMapLoader.h"

#include "skin/files/XmlDoc.h"

#include <gtest/gtest.h>

#include <fstream>
#include <random>
#include <string>
#include <vector>

namespace lumetta {
namespace {

namespace fs = std::filesystem;

struct Placement {
    int keyIndex;
    SkinRect keyRect;
    SkinRect pageRect;
};

// Records what the loader hands to the page that owns the key buttons.
class RecordingHost : public KeyButtonHost {
public:
    void beginKeyButtons(const fs::path& folder) override {
        calls.push_back("begin " + folder.string());
        placements.clear();
    }
    void placeKeyButton(int keyIndex, const SkinRect& keyRect, const SkinRect& pageRect) override {
        calls.push_back("place " + std::to_string(keyIndex));
        placements.push_back({keyIndex, keyRect, pageRect});
    }
    void endKeyButtons() override { calls.push_back("end"); }

    std::vector<std::string> calls;
    std::vector<Placement> placements;
};

std::string keyMapXml(const std::string& keyboardEntries, const std::string& ledEntries = "") {
    return "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n<Buttons>\n<KEYBOARD>" + keyboardEntries +
           "</KEYBOARD>\n<LED>" + ledEntries + "</LED>\n</Buttons>\n";
}

std::string entry(const std::string& key, const std::string& value) {
    return "<" + key + ">" + value + "</" + key + ">";
}

class KeyMapLoaderTest : public ::testing::Test {
protected:
    void SetUp() override {
        std::random_device seed;
        sizeFolder = fs::temp_directory_path() / ("lumetta-keymap-" + std::to_string(seed()));
        fs::create_directories(sizeFolder);
    }
    void TearDown() override { fs::remove_all(sizeFolder); }

    void writeFile(const fs::path& folder, const std::string& content) {
        fs::create_directories(folder);
        std::ofstream(folder / KEY_MAP_FILE, std::ios::binary) << content;
    }

    KeyMap load(const std::string& content) {
        writeFile(sizeFolder, content);
        KeyMap map;
        KeyMapLoader loader(map);
        EXPECT_TRUE(loader.loadKeyMap(1, sizeFolder, &host));
        return map;
    }

    fs::path sizeFolder;
    RecordingHost host;
};

TEST_F(KeyMapLoaderTest, ReadsKeysRectanglesAndPaletteCells) {
    const KeyMap map = load(keyMapXml(
        entry("KEY_NUM", "3") + entry("BUTTON_KEY_COLOR", "KEY_COLOR,100,50,900,300,,0") +
            entry("BUTTON_1", "K1,10,20,30,40,,17") + entry("BUTTON_2", "K2,50,20,30,40,,273") +
            entry("BUTTON_3", "K3,90,20,30,40,,255"),
        entry("BUTTON_1", "L1,2,7,0,0,,0") + entry("BUTTON_3", "L3,6,24,0,0,,0")));
    EXPECT_EQ(map.keyCount, 3);
    EXPECT_EQ(map.keyOrigin, (KeyPoint{100, 50}));
    const std::uint8_t leds[] = {17, 17, NO_LED}; // 273 keeps its low byte
    const std::uint8_t rows[] = {2, 0, 6};        // key 2 has no LED entry
    const std::uint8_t columns[] = {7, 0, 24};
    for (int key = 0; key < 3; ++key) {
        SCOPED_TRACE(key);
        EXPECT_EQ(map.keyLed[key], leds[key]);
        EXPECT_EQ(map.keyRow[key], rows[key]);
        EXPECT_EQ(map.keyColumn[key], columns[key]);
    }

    ASSERT_EQ(host.placements.size(), 3u);
    const Placement& first = host.placements[0];
    EXPECT_EQ(first.keyIndex, 0);
    EXPECT_EQ(first.keyRect.left, 10);
    EXPECT_EQ(first.keyRect.bottom, 60);
    EXPECT_EQ(first.pageRect.left, 110);
    EXPECT_EQ(first.pageRect.top, 70);
    EXPECT_EQ(first.pageRect.right, 140);
    EXPECT_EQ(first.pageRect.bottom, 110);
    EXPECT_EQ(host.calls.front(), "begin " + sizeFolder.string());
    EXPECT_EQ(host.calls.back(), "end");
}

TEST_F(KeyMapLoaderTest, KeyCountFallsBackAndIsClamped) {
    struct Row {
        std::string keyNum;
        int expected;
    };
    const Row rows[] = {
        {entry("KEY_NUM", "104"), 104},
        {entry("KEY_NUM", "0"), MAX_KEYS},
        {entry("KEY_NUM", ""), MAX_KEYS},
        {entry("KEY_NUM", "-3"), MAX_KEYS},
        {"", MAX_KEYS},
        {entry("KEY_NUM", "113"), MAX_KEYS},
        {entry("KEY_NUM", "99999999999"), MAX_KEYS},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.keyNum);
        const KeyMap map = load(keyMapXml(row.keyNum));
        EXPECT_EQ(map.keyCount, row.expected);
        EXPECT_EQ(host.placements.size(), static_cast<size_t>(row.expected));
    }
}

TEST_F(KeyMapLoaderTest, LayoutChoosesFolderAndLoadsOncePerChange) {
    writeFile(sizeFolder, keyMapXml(entry("KEY_NUM", "104")));
    writeFile(sizeFolder / "EU", keyMapXml(entry("KEY_NUM", "105")));
    writeFile(sizeFolder / "JP", keyMapXml(entry("KEY_NUM", "109")));
    struct Row {
        int layoutType;
        bool reloads;
        int keyCount;
        fs::path folder;
    };
    const Row rows[] = {
        {1, true, 104, sizeFolder},         {1, false, 104, sizeFolder},
        {2, true, 105, sizeFolder / "EU"},  {3, true, 109, sizeFolder / "JP"},
        {3, false, 109, sizeFolder / "JP"}, {0, true, 104, sizeFolder},
        {7, true, 104, sizeFolder},
    };
    KeyMap map;
    KeyMapLoader loader(map);
    EXPECT_FALSE(loader.loadedType().has_value());
    for (const Row& row : rows) {
        SCOPED_TRACE(row.layoutType);
        host.calls.clear();
        EXPECT_EQ(loader.loadKeyMap(row.layoutType, sizeFolder, &host), row.reloads);
        EXPECT_EQ(map.keyCount, row.keyCount);
        EXPECT_EQ(loader.loadedType(), row.layoutType);
        if (row.reloads) {
            ASSERT_FALSE(host.calls.empty());
            EXPECT_EQ(host.calls.front(), "begin " + row.folder.string());
        } else {
            EXPECT_TRUE(host.calls.empty());
        }
    }
}

TEST_F(KeyMapLoaderTest, SmallerLayoutLeavesNothingOfTheLargerOne) {
    load(keyMapXml(entry("KEY_NUM", "2") + entry("BUTTON_1", "K,0,0,1,1,,5") +
                       entry("BUTTON_2", "K,0,0,1,1,,6"),
                   entry("BUTTON_2", "L,3,4,0,0,,0")));
    writeFile(sizeFolder / "EU",
              keyMapXml(entry("KEY_NUM", "1") + entry("BUTTON_1", "K,0,0,1,1,,9")));
    KeyMap map;
    KeyMapLoader loader(map);
    loader.loadKeyMap(1, sizeFolder, nullptr); // no page: tables only
    EXPECT_EQ(map.keyLed[1], 6);
    loader.loadKeyMap(2, sizeFolder, &host);
    EXPECT_EQ(map.keyCount, 1);
    EXPECT_EQ(map.keyLed[0], 9);
    EXPECT_EQ(map.keyLed[1], 0);
    EXPECT_EQ(map.keyRow[1], 0);
    EXPECT_EQ(map.keyColumn[1], 0);
    EXPECT_EQ(host.placements.size(), 1u);
}

TEST_F(KeyMapLoaderTest, BrokenFilesGiveAFullKeyboardWithoutLeds) {
    const std::string broken[] = {
        "",
        "not xml at all",
        "<Buttons><KEYBOARD><KEY_NUM>3</KEY_NUM><BUTTON_1>K,1,2,3,4,,8", // cut off
        std::string("\xFF\xFE<\0B\0", 6),                                // a stray BOM
        keyMapXml(entry("BUTTON_1", "K,2147483647,2147483647,9,9,,300") +
                  entry("BUTTON_KEY_COLOR", "O,2147483647,-2147483648,0,0,,0")),
    };
    for (const std::string& content : broken) {
        SCOPED_TRACE(content);
        const KeyMap map = load(content);
        EXPECT_GE(map.keyCount, 1);
        EXPECT_LE(map.keyCount, MAX_KEYS);
        EXPECT_EQ(host.placements.size(), static_cast<size_t>(map.keyCount));
    }

    fs::remove(sizeFolder / KEY_MAP_FILE);
    KeyMap map;
    map.keyLed[0] = 33;
    KeyMapLoader loader(map);
    EXPECT_TRUE(loader.loadKeyMap(1, sizeFolder, &host));
    EXPECT_EQ(map.keyCount, MAX_KEYS);
    EXPECT_EQ(map.keyLed[0], 0);
    EXPECT_EQ(host.calls.back(), "end");
}

TEST_F(KeyMapLoaderTest, HugeOriginSaturatesInsteadOfOverflowing) {
    load(keyMapXml(entry("KEY_NUM", "1") +
                   entry("BUTTON_KEY_COLOR", "O,2000000000,-2000000000,0,0,,0") +
                   entry("BUTTON_1", "K,2000000000,-2000000000,1,1,,0")));
    ASSERT_EQ(host.placements.size(), 1u);
    EXPECT_EQ(host.placements[0].pageRect.left, 2147483647);
    EXPECT_EQ(host.placements[0].pageRect.top, -2147483647 - 1);
}

} // namespace
} // namespace lumetta
