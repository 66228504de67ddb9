// The configurator's three skin documents, loaded once from beside the program and kept for the
// life of the process: the string document ("Strings.xml"), the skin document ("Skins.xml") and
// the layout document ("Skins/<size folder>Buttons.xml"). A missing file leaves its document
// empty; every lookup in it then yields an empty string.
#pragma once

#include "skin/files/XmlDoc.h"

#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>

namespace lumetta {

class SkinStore {
public:
    static constexpr std::string_view StringsFile = "Strings.xml";
    static constexpr std::string_view SkinsFile = "Skins.xml";
    static constexpr std::string_view LayoutFile = "Buttons.xml";
    static constexpr std::string_view SkinsFolder = "Skins/";

    // The store the whole process shares.
    static SkinStore& Process();

    // Loads the three documents from `programFolder` (the folder that holds the program file);
    // `sizeFolder` is one of the size folder names, with its trailing '/'.
    void Load(const std::filesystem::path& programFolder, std::string_view sizeFolder);

    // A skinned button created while the string document is still empty loads it (again) before
    // reading its fonts; this repeats for as long as the document stays empty. Returns whether
    // the document now has text.
    bool EnsureStrings(const std::filesystem::path& programFolder);
    bool EnsureStrings() { return EnsureStrings(programFolder_); }

    XmlDoc& Strings() { return strings_; }
    XmlDoc& Skins() { return skins_; }
    XmlDoc& Layout() { return layout_; }

    const std::filesystem::path& ProgramFolder() const { return programFolder_; }
    const std::string& SizeFolder() const { return sizeFolder_; }

    // The two debug-log lines written after loading (the caller owns the log):
    // "APP Load Info: Size=%s Skin=%d Str=%d Btn=%d" (1 for a document with text) and
    // "Exe Path: %s".
    std::u16string LoadInfoLine() const;
    std::u16string ExePathLine() const;

    // Lookups in the documents of this store.
    std::u16string StringValue(std::u16string_view section, std::u16string_view key);
    std::u16string SkinValueOf(std::u16string_view section, std::u16string_view key);
    std::u16string LayoutValue(std::u16string_view section, std::u16string_view key);
    std::u16string FunctionDisplayName(uint32_t id);

private:
    XmlDoc strings_;
    XmlDoc skins_;
    XmlDoc layout_;
    std::filesystem::path programFolder_;
    std::string sizeFolder_;
};

} // namespace lumetta
