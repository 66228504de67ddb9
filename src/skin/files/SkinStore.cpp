#include "skin/files/SkinStore.h"

#include "skin/files/FunctionDisplayName.h"
#include "skin/files/SkinLookup.h"
#include "skin/files/Utf16Text.h"

namespace lumetta {
namespace {

void LoadDocument(XmlDoc& document, const std::filesystem::path& path) {
    if (document.LoadFromFile(path)) {
        document.ParseText();
    }
}

std::u16string Flag(const XmlDoc& document) {
    return document.Text().empty() ? u"0" : u"1";
}

} // namespace

SkinStore& SkinStore::Process() {
    static SkinStore store;
    return store;
}

void SkinStore::Load(const std::filesystem::path& programFolder, std::string_view sizeFolder) {
    programFolder_ = programFolder;
    sizeFolder_ = sizeFolder;
    LoadDocument(skins_, programFolder / SkinsFile);
    LoadDocument(strings_, programFolder / StringsFile);
    LoadDocument(layout_, programFolder / SkinsFolder / sizeFolder / LayoutFile);
}

bool SkinStore::EnsureStrings(const std::filesystem::path& programFolder) {
    if (!strings_.Text().empty()) {
        return true;
    }
    // File names are matched exactly on this system: try the shipped spelling, then the
    // lower-case one that older code asked for.
    LoadDocument(strings_, programFolder / StringsFile);
    if (strings_.Text().empty()) {
        LoadDocument(strings_, programFolder / "strings.xml");
    }
    return !strings_.Text().empty();
}

std::u16string SkinStore::LoadInfoLine() const {
    return u"APP Load Info: Size=" + Utf8ToUtf16(sizeFolder_) + u" Skin=" + Flag(skins_) +
           u" Str=" + Flag(strings_) + u" Btn=" + Flag(layout_);
}

std::u16string SkinStore::ExePathLine() const {
    std::string folder = programFolder_.string();
    if (!folder.empty() && folder.back() != '/') {
        folder += '/';
    }
    return u"Exe Path: " + Utf8ToUtf16(folder);
}

std::u16string SkinStore::StringValue(std::u16string_view section, std::u16string_view key) {
    return SkinValue(strings_, section, key);
}

std::u16string SkinStore::SkinValueOf(std::u16string_view section, std::u16string_view key) {
    return SkinValue(skins_, section, key);
}

std::u16string SkinStore::LayoutValue(std::u16string_view section, std::u16string_view key) {
    return SkinValue(layout_, section, key);
}

std::u16string SkinStore::FunctionDisplayName(uint32_t id) {
    return lumetta::FunctionDisplayName(strings_, id);
}

} // namespace lumetta
