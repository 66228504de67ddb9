#include "profiles/ProfileFiles.h"

#include "lighting/model/LayerDefaults.h"
#include "platform/os/Utf16.h"
#include "profiles/IniFile.h"

#include "TestFolders.h"

#include <gtest/gtest.h>

#include <cstring>
#include <memory>

namespace lumetta {
namespace {

namespace fs = std::filesystem;
using testing::TempFolder;

std::unique_ptr<ProfileStore> freshStore() {
    auto store = std::make_unique<ProfileStore>();
    std::memset(store.get(), 0, sizeof *store);
    resetProfileStore(*store, true);
    return store;
}

std::unique_ptr<ProfileStore> loaded(const fs::path& base) {
    auto store = freshStore();
    loadProfileStore(base, *store);
    resetProfileStore(*store, false);
    return store;
}

void setName(char16_t (&field)[PROFILE_NAME_UNITS], std::u16string_view text) {
    std::memset(field, 0, sizeof field);
    std::copy(text.begin(), text.end(), field);
}

// A store that differs from the defaults in every stored field.
std::unique_ptr<ProfileStore> editedStore(std::uint8_t seed) {
    auto store = freshStore();
    store->currentProfile = 3;
    for (int i = 0; i < PROFILE_COUNT; ++i) {
        ProfileRecord& record = store->profiles[i];
        setName(record.name, u"Profil \u00E9 " + std::u16string(1, char16_t(u'A' + i + seed)));
        record.activeEffect = EffectCode::RIPPLE;
        record.shownEffect = EffectCode::RIPPLE;
        auto* base = reinterpret_cast<std::uint8_t*>(&record.baseLayer);
        auto* multi = reinterpret_cast<std::uint8_t*>(&record.multiLayer);
        for (std::size_t b = 0; b < sizeof(LayerRecord); ++b) {
            base[b] = static_cast<std::uint8_t>(b * 7 + i + seed);
            multi[b] = static_cast<std::uint8_t>(b * 13 + i + seed);
        }
        record.systemStatus = {{static_cast<std::uint8_t>(seed), 2, 3}};
        setName(store->pictureName[i], u"pic" + std::u16string(1, char16_t(u'0' + i)) + u".png");
    }
    return store;
}

std::vector<std::string> linesOf(const fs::path& path) {
    const auto bytes = testing::readBytes(path);
    std::u16string text;
    for (std::size_t i = 2; i + 1 < bytes.size(); i += 2) {
        text.push_back(static_cast<char16_t>(bytes[i] | (bytes[i + 1] << 8)));
    }
    std::vector<std::string> lines;
    std::size_t start = 0;
    for (std::size_t end; (end = text.find(u"\r\n", start)) != std::u16string::npos;
         start = end + 2) {
        lines.push_back(os::utf16ToUtf8(text.substr(start, end - start)));
    }
    return lines;
}

TEST(ProfileFiles, FirstStartMakesFoldersButNoFiles) {
    TempFolder appData;
    const fs::path base = ensureProfileFolders(appData.path() / "config");
    EXPECT_EQ(base, appData.path() / "config/Wrenfield/Lumetta/");
    for (const char* folder : {"Wrenfield", "Wrenfield/Lumetta", "Wrenfield/Lumetta/Macros",
                               "Wrenfield/Lumetta/Profiles", "Wrenfield/Lumetta/MousePads"}) {
        EXPECT_TRUE(fs::is_directory(appData.path() / "config" / folder)) << folder;
    }
    EXPECT_EQ(std::distance(fs::directory_iterator(base), fs::directory_iterator()), 3);

    const auto store = loaded(base);
    EXPECT_EQ(store->currentProfile, 0);
    const auto defaults = freshStore();
    for (int i = 0; i < PROFILE_COUNT; ++i) {
        EXPECT_EQ(store->profiles[i].activeEffect, EffectCode::CUSTOMIZE) << i;
        EXPECT_EQ(store->profiles[i].shownEffect, EffectCode::CUSTOMIZE) << i;
        EXPECT_EQ(store->profiles[i].name[0], u'\0') << "a missing name is empty";
        EXPECT_EQ(store->profiles[i].baseLayer, defaults->profiles[i].baseLayer) << i;
    }
    EXPECT_FALSE(fs::exists(base / "config.ini"));
}

TEST(ProfileFiles, EnsureProfileFoldersUsesTheConfigurationHome) {
    testing::TempHome home;
    EXPECT_EQ(ensureProfileFolders(), home.config() / "Wrenfield/Lumetta/");
    EXPECT_TRUE(fs::is_directory(home.config() / "Wrenfield/Lumetta/MousePads"));
}

TEST(ProfileFiles, SavedFileHasTheKnownLayout) {
    TempFolder folder;
    // As at a first start: defaults, then a load from an empty folder.
    const auto store = loaded(folder.path());
    ASSERT_TRUE(saveProfileStore(folder.path(), *store));
    const auto bytes = testing::readBytes(folder / "Profile0.Prf");
    ASSERT_GE(bytes.size(), 2u);
    EXPECT_EQ(bytes[0], 0xFF);
    EXPECT_EQ(bytes[1], 0xFE);
    const auto lines = linesOf(folder / "Profile0.Prf");
    ASSERT_EQ(lines.size(), 8u);
    const std::pair<std::string, std::size_t> expected[] = {
        {"[NAME]", 0},         {"PROFILE_NAME=", 0},  {"PROFILE_NAME_PIC=", 0},
        {"[EFFECT]", 0},       {"SELECT_EFFECT=", 0}, {"BASE_LAYER=", 3098},
        {"MULTILAYER=", 3098}, {"SYSTEM_STATUS=", 8}};
    for (std::size_t i = 0; i < lines.size(); ++i) {
        const auto& [prefix, digits] = expected[i];
        EXPECT_EQ(lines[i].substr(0, prefix.size()), prefix) << "line " << i;
        if (digits > 0) {
            EXPECT_EQ(lines[i].size() - prefix.size(), digits) << prefix;
        }
    }
    EXPECT_EQ(lines[4], "SELECT_EFFECT=4100");
    EXPECT_EQ(lines[7], "SYSTEM_STATUS=01010002");
    EXPECT_EQ(linesOf(folder / "config.ini"), (std::vector<std::string>{"[Setting]", "Profile=0"}));
}

TEST(ProfileFiles, SaveThenLoadGivesTheSameStoreAndSavingAgainChangesNothing) {
    TempFolder folder;
    const auto edited = editedStore(1);
    ASSERT_TRUE(saveProfileStore(folder.path(), *edited));
    const auto firstBytes = testing::readBytes(folder / "Profile4.Prf");
    ASSERT_TRUE(saveProfileStore(folder.path(), *edited));
    EXPECT_EQ(testing::readBytes(folder / "Profile4.Prf"), firstBytes);

    const auto back = loaded(folder.path());
    EXPECT_TRUE(*back == *edited);
    for (int i = 0; i < PROFILE_COUNT; ++i) {
        EXPECT_TRUE(back->profiles[i] == edited->profiles[i]) << "profile " << i;
        EXPECT_EQ(std::u16string(back->pictureName[i]), std::u16string(edited->pictureName[i]));
    }
}

TEST(ProfileFiles, CurrentProfileOutOfRangeFallsBackToZero) {
    const std::pair<int, int> cases[] = {{3, 3}, {5, 5}, {9, 0}, {-1, 0}, {256 + 2, 2}};
    for (const auto& [stored, expected] : cases) {
        TempFolder folder;
        ASSERT_TRUE(IniFile(folder / "config.ini").writeInt(u"Setting", u"Profile", stored));
        EXPECT_EQ(loaded(folder.path())->currentProfile, expected) << "stored " << stored;
    }
}

TEST(ProfileFiles, DamagedStructIsSkippedAndTheRestStillLoads) {
    TempFolder folder;
    const auto edited = editedStore(2);
    ASSERT_TRUE(saveProfileStore(folder.path(), *edited));
    const fs::path path = folder / "Profile2.Prf";
    const IniFile file(path);
    std::u16string base = file.readString(u"EFFECT", u"BASE_LAYER", u"");
    ASSERT_EQ(base.size(), 3098u);
    base.pop_back();
    ASSERT_TRUE(file.writeString(u"EFFECT", u"BASE_LAYER", base));

    const auto defaults = freshStore();
    ProfileRecord record = defaults->profiles[2];
    readProfileFile(path, record);
    EXPECT_EQ(record.baseLayer, defaults->profiles[2].baseLayer) << "refused value leaves default";
    EXPECT_EQ(record.multiLayer, edited->profiles[2].multiLayer);
    EXPECT_EQ(record.systemStatus, edited->profiles[2].systemStatus);
    EXPECT_EQ(record.activeEffect, EffectCode::RIPPLE);
}

TEST(ProfileFiles, ExportKeepsOtherKeysAndRenameTouchesOnlyTheName) {
    TempFolder folder;
    const fs::path path = folder / "export.Prf";
    const IniFile file(path);
    ASSERT_TRUE(file.writeString(u"NAME", u"OWNER", u"someone"));
    ASSERT_TRUE(file.writeString(u"EXTRA", u"KEY", u"kept"));
    const auto edited = editedStore(3);
    ASSERT_TRUE(writeProfileFile(path, edited->profiles[0]));
    EXPECT_EQ(file.readString(u"NAME", u"OWNER", u""), u"someone");
    EXPECT_EQ(file.readString(u"EXTRA", u"KEY", u""), u"kept");
    EXPECT_EQ(file.readString(u"NAME", u"PROFILE_NAME_PIC", u"absent"), u"absent")
        << "exported files carry no picture name";

    ASSERT_TRUE(writeProfileName(path, u"Renamed"));
    ProfileRecord record = edited->profiles[1];
    readProfileFile(path, record);
    EXPECT_EQ(std::u16string(record.name), u"Renamed");
    EXPECT_EQ(record.baseLayer, edited->profiles[0].baseLayer);
}

TEST(ProfileFiles, LongNamesAreCutAt259Characters) {
    TempFolder folder;
    const fs::path path = folder / "long.Prf";
    ASSERT_TRUE(IniFile(path).writeString(u"NAME", u"PROFILE_NAME", std::u16string(600, u'n')));
    auto store = freshStore();
    readProfileFile(path, store->profiles[0]);
    EXPECT_EQ(std::u16string(store->profiles[0].name), std::u16string(259, u'n'));

    ASSERT_TRUE(writeProfileName(path, std::u16string(258, u'a') + u"\U0001F3B9"));
    readProfileFile(path, store->profiles[0]);
    EXPECT_EQ(std::u16string(store->profiles[0].name), std::u16string(258, u'a'))
        << "a surrogate pair is never split";

    // A record whose name fills the whole field without a terminator still saves safely.
    std::fill(std::begin(store->profiles[1].name), std::end(store->profiles[1].name), u'z');
    ASSERT_TRUE(saveProfileStore(folder.path(), *store));
    EXPECT_EQ(IniFile(folder / "Profile1.Prf").readString(u"NAME", u"PROFILE_NAME", u""),
              std::u16string(PROFILE_NAME_UNITS, u'z'));
}

TEST(ProfileFiles, PictureNamesTravelWithTheirProfile) {
    TempFolder folder;
    const auto edited = editedStore(4);
    ASSERT_TRUE(writeProfilePicture(folder.path(), 5, *edited));
    auto store = freshStore();
    readProfilePicture(folder.path(), 5, *store);
    EXPECT_EQ(std::u16string(store->pictureName[5]), u"pic5.png");
    EXPECT_FALSE(writeProfilePicture(folder.path(), 6, *edited));
}

TEST(ProfileFiles, NoBaseFolderMeansNoFiles) {
    auto store = editedStore(5);
    EXPECT_FALSE(saveProfileStore(fs::path(), *store));
    loadProfileStore(fs::path(), *store);
    EXPECT_EQ(store->currentProfile, 3) << "nothing was read";
    EXPECT_TRUE(ensureAppFolder(fs::path(), PROFILE_BASE_RELATIVE).empty());
}

} // namespace
} // namespace lumetta
