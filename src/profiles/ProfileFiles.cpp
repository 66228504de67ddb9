#include "profiles/ProfileFiles.h"

#include "platform/os/DurableFile.h"
#include "platform/os/Utf16.h"
#include "platform/os/XdgFolders.h"
#include "profiles/IniFile.h"
#include "profiles/StructValue.h"

#include <sys/stat.h>

#include <algorithm>
#include <cstring>
#include <optional>
#include <string>
#include <vector>

namespace lumetta {

namespace fs = std::filesystem;

namespace {

constexpr std::u16string_view SECTION_NAME = u"NAME";
constexpr std::u16string_view KEY_NAME = u"PROFILE_NAME";
constexpr std::u16string_view KEY_PICTURE = u"PROFILE_NAME_PIC";
constexpr std::u16string_view SECTION_EFFECT = u"EFFECT";
constexpr std::u16string_view KEY_SELECT = u"SELECT_EFFECT";
constexpr std::u16string_view KEY_BASE = u"BASE_LAYER";
constexpr std::u16string_view KEY_MULTI = u"MULTILAYER";
constexpr std::u16string_view KEY_STATUS = u"SYSTEM_STATUS";
constexpr std::u16string_view SECTION_SETTING = u"Setting";
constexpr std::u16string_view KEY_PROFILE = u"Profile";

template <typename T> std::span<std::uint8_t> bytesOf(T& block) {
    return {reinterpret_cast<std::uint8_t*>(&block), sizeof block};
}

template <typename T> std::span<const std::uint8_t> bytesOf(const T& block) {
    return {reinterpret_cast<const std::uint8_t*>(&block), sizeof block};
}

// Zeroes the whole field, then copies at most 259 characters and the terminator.
void copyName(char16_t (&field)[PROFILE_NAME_UNITS], std::u16string_view text) {
    std::memset(field, 0, sizeof field);
    const std::u16string_view kept = os::cutUtf16(text, PROFILE_NAME_UNITS - 1);
    std::copy(kept.begin(), kept.end(), field);
}

// A name field is meant to be terminated, but a record filled from elsewhere may not be.
std::u16string_view boundedName(const char16_t (&field)[PROFILE_NAME_UNITS]) {
    std::size_t length = 0;
    while (length < PROFILE_NAME_UNITS && field[length] != u'\0') {
        ++length;
    }
    return {field, length};
}

void readRecord(const IniDocument& document, ProfileRecord& record) {
    copyName(record.name, iniString(document, SECTION_NAME, KEY_NAME, u""));
    const auto effect = static_cast<EffectCode>(
        iniInt(document, SECTION_EFFECT, KEY_SELECT, static_cast<int>(EffectCode::CUSTOMIZE)));
    record.shownEffect = effect;
    record.activeEffect = effect;
    iniStruct(document, SECTION_EFFECT, KEY_BASE, bytesOf(record.baseLayer));
    iniStruct(document, SECTION_EFFECT, KEY_MULTI, bytesOf(record.multiLayer));
    iniStruct(document, SECTION_EFFECT, KEY_STATUS, bytesOf(record.systemStatus));
}

void writeRecord(IniDocument& document, const ProfileRecord& record) {
    document.set(SECTION_NAME, KEY_NAME, boundedName(record.name));
    document.set(SECTION_EFFECT, KEY_SELECT, iniIntText(static_cast<int>(record.activeEffect)));
    document.set(SECTION_EFFECT, KEY_BASE, encodeStructValue(bytesOf(record.baseLayer)));
    document.set(SECTION_EFFECT, KEY_MULTI, encodeStructValue(bytesOf(record.multiLayer)));
    document.set(SECTION_EFFECT, KEY_STATUS, encodeStructValue(bytesOf(record.systemStatus)));
}

bool isFolder(const fs::path& path) {
    struct stat info {};
    return ::stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

} // namespace

fs::path ensureAppFolder(const fs::path& appData, std::string_view relative) {
    if (appData.empty()) {
        return {};
    }
    // The configuration folder itself is private when it has to be made here.
    if (!isFolder(appData)) {
        std::error_code ignored;
        fs::create_directories(appData.parent_path(), ignored);
        ::mkdir(appData.c_str(), 0700);
    }
    const std::string base = appData.string();
    for (std::size_t slash = relative.find('/', 1); slash != std::string_view::npos;
         slash = relative.find('/', slash + 1)) {
        const fs::path level = base + std::string(relative.substr(0, slash));
        if (!isFolder(level)) {
            ::mkdir(level.c_str(), 0777);
        }
    }
    return fs::path(base + std::string(relative));
}

fs::path ensureProfileFolders() {
    return ensureProfileFolders(os::configHome());
}

fs::path ensureProfileFolders(const fs::path& appData) {
    const fs::path base = ensureAppFolder(appData, PROFILE_BASE_RELATIVE);
    for (const std::string_view side : PROFILE_SIDE_FOLDERS) {
        ensureAppFolder(appData, std::string(PROFILE_BASE_RELATIVE) + std::string(side));
    }
    return base;
}

fs::path profileFilePath(const fs::path& base, int index) {
    if (base.empty()) {
        return {};
    }
    return base / ("Profile" + std::to_string(index) + ".Prf");
}

fs::path configFilePath(const fs::path& base) {
    return base.empty() ? fs::path() : base / "config.ini";
}

void readProfileFile(const fs::path& path, ProfileRecord& record) {
    const auto document = IniFile(path).load();
    readRecord(document ? *document : IniDocument(), record);
}

bool writeProfileFile(const fs::path& path, const ProfileRecord& record) {
    const IniFile file(path);
    auto document = file.load();
    if (!document) {
        return false;
    }
    writeRecord(*document, record);
    return file.save(*document);
}

void readProfilePicture(const fs::path& base, int index, ProfileStore& store) {
    if (index < 0 || index >= PROFILE_COUNT) {
        return;
    }
    const IniFile file(profileFilePath(base, index));
    copyName(store.pictureName[index], file.readString(SECTION_NAME, KEY_PICTURE, u""));
}

bool writeProfilePicture(const fs::path& base, int index, const ProfileStore& store) {
    if (index < 0 || index >= PROFILE_COUNT) {
        return false;
    }
    return IniFile(profileFilePath(base, index))
        .writeString(SECTION_NAME, KEY_PICTURE, boundedName(store.pictureName[index]));
}

bool writeProfileName(const fs::path& path, std::u16string_view name) {
    return IniFile(path).writeString(SECTION_NAME, KEY_NAME,
                                     os::cutUtf16(name, PROFILE_NAME_UNITS - 1));
}

void loadProfileStore(const fs::path& base, ProfileStore& store) {
    if (base.empty()) {
        return;
    }
    store.currentProfile = static_cast<std::uint8_t>(
        IniFile(configFilePath(base)).readInt(SECTION_SETTING, KEY_PROFILE, 0) & 0xFF);
    for (int i = 0; i < PROFILE_COUNT; ++i) {
        // One read of the file serves the record and its picture name.
        const auto document = IniFile(profileFilePath(base, i)).load();
        const IniDocument& values = document ? *document : IniDocument();
        readRecord(values, store.profiles[i]);
        copyName(store.pictureName[i], iniString(values, SECTION_NAME, KEY_PICTURE, u""));
    }
}

bool saveProfileStore(const fs::path& base, const ProfileStore& store) {
    if (base.empty()) {
        return false;
    }
    bool complete = true;
    std::vector<fs::path> paths;
    std::vector<std::vector<std::uint8_t>> contents;
    auto stage = [&](const fs::path& path, auto&& edit) {
        auto document = IniFile(path).load();
        if (!document) {
            complete = false;
            return;
        }
        edit(*document);
        paths.push_back(path);
        contents.push_back(document->toBytes());
    };
    stage(configFilePath(base), [&](IniDocument& document) {
        document.set(SECTION_SETTING, KEY_PROFILE, iniIntText(store.currentProfile));
    });
    for (int i = 0; i < PROFILE_COUNT; ++i) {
        stage(profileFilePath(base, i), [&](IniDocument& document) {
            writeRecord(document, store.profiles[i]);
            document.set(SECTION_NAME, KEY_PICTURE, boundedName(store.pictureName[i]));
        });
    }
    std::vector<os::FileReplacement> replacements;
    for (std::size_t i = 0; i < paths.size(); ++i) {
        replacements.push_back({paths[i], contents[i]});
    }
    return !os::replaceFilesDurably(replacements) && complete;
}

} // namespace lumetta
