#pragma once

#include "profiles/IniDocument.h"

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace lumetta {

// One private-profile file, named by its path. Nothing is kept between operations: every read
// reads the file and every write replaces it durably (the new content is complete on disk before
// it takes the old one's place), so a crash never leaves a half-written file.
class IniFile {
public:
    // Files beyond this size are not read, and not written either, since their content could
    // not be carried over.
    static constexpr std::size_t MAX_FILE_BYTES = 16 * 1024 * 1024;
    // readString hands back at most this many characters, as a buffer of 4096 with its
    // terminator would.
    static constexpr std::size_t MAX_STRING_UNITS = 4095;

    explicit IniFile(std::filesystem::path path) : path_(std::move(path)) {}

    const std::filesystem::path& path() const { return path_; }

    // Creates the file as the two bytes FF FE when nothing exists at the path.
    bool ensureExists() const;

    std::u16string readString(std::u16string_view section, std::u16string_view key,
                              std::u16string_view fallback) const;
    // A missing or empty value gives fallback; otherwise the number at the start of the value
    // (decimal, or hexadecimal after "0x"), 0 when there is none.
    int readInt(std::u16string_view section, std::u16string_view key, int fallback) const;
    // Fills block from a struct value of exactly its size; false (block untouched) otherwise.
    bool readStruct(std::u16string_view section, std::u16string_view key,
                    std::span<std::uint8_t> block) const;

    bool writeString(std::u16string_view section, std::u16string_view key,
                     std::u16string_view value) const;
    bool writeInt(std::u16string_view section, std::u16string_view key, int value) const;
    bool writeStruct(std::u16string_view section, std::u16string_view key,
                     std::span<const std::uint8_t> block) const;

    // For passes that read or write many values of one file: the whole file at once. load is
    // empty when the file exists but cannot be read (too large, no permission); a missing file
    // is an empty document. save replaces the file durably.
    std::optional<IniDocument> load() const;
    bool save(const IniDocument& document) const;

private:
    bool update(std::u16string_view section, std::u16string_view key,
                std::u16string_view value) const;

    std::filesystem::path path_;
};

// The value forms of the readers above, for callers that hold a loaded document.
std::u16string iniString(const IniDocument& document, std::u16string_view section,
                         std::u16string_view key, std::u16string_view fallback);
int iniInt(const IniDocument& document, std::u16string_view section, std::u16string_view key,
           int fallback);
bool iniStruct(const IniDocument& document, std::u16string_view section, std::u16string_view key,
               std::span<std::uint8_t> block);
std::u16string iniIntText(int value);

} // namespace lumetta
