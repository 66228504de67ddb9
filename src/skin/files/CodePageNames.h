// The names under which text encodings are declared in documents ("windows-1252", "shift_jis",
// "koi8-r", ...), mapped to numbered code pages, and each code page to the converter name that
// the C library's iconv knows it by.
#pragma once

#include <cstdint>
#include <span>
#include <string_view>

namespace lumetta {

struct CodePageName {
    std::string_view name; // lower case
    uint32_t codePage;
};

// The code page used for 8-bit text that names no encoding and is not valid UTF-8.
inline constexpr uint32_t AnsiCodePage = 1252;
inline constexpr uint32_t Utf8CodePage = 65001;
inline constexpr uint32_t Utf32CodePage = 65005;

// Case-blind (ASCII) lookup. Names starting with "utf-32" give Utf32CodePage; unknown names give
// AnsiCodePage.
uint32_t CodePageFromName(std::string_view name);

// The iconv converter name of a code page, or an empty view for the Unicode code pages (decoded
// here directly) and for code pages without a converter.
std::string_view IconvNameOf(uint32_t codePage);

// True for UTF-8, UTF-16 and UTF-32 in every byte order.
bool IsUnicodeCodePage(uint32_t codePage);

// Every name of the table, for tests and tools.
std::span<const CodePageName> KnownCodePageNames();

} // namespace lumetta
