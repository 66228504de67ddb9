#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace lumetta {

// The text of one private-profile (INI) file, kept exactly as read so that writing a value
// changes nothing but that value. Sections are "[name]" lines, values "key=value" lines below
// them; names match without regard to ASCII case, the first section and the first key of a name
// count, and lines before the first section, comments (";") and lines without "=" are carried
// along untouched.
class IniDocument {
public:
    IniDocument() = default;

    // Decodes a file of any content: UTF-16LE or UTF-16BE after their byte-order marks, else
    // UTF-8 (with or without its mark), malformed sequences as U+FFFD.
    static IniDocument fromBytes(std::span<const std::uint8_t> bytes);

    // The file form: the byte-order mark FF FE, then the text in UTF-16LE.
    std::vector<std::uint8_t> toBytes() const;

    // The value of key in section with blanks at both ends removed; empty when either is missing.
    std::optional<std::u16string_view> find(std::u16string_view section,
                                            std::u16string_view key) const;

    // Replaces the value of an existing key in place, or appends the key at the end of its
    // section, or appends the section with the key at the end of the text. Line breaks in any of
    // the three would split the line and are written as blanks; a NUL ends each of them.
    void set(std::u16string_view section, std::u16string_view key, std::u16string_view value);

    const std::u16string& text() const { return text_; }

private:
    explicit IniDocument(std::u16string text) : text_(std::move(text)) {}

    std::u16string text_;
};

} // namespace lumetta
