#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace lumetta::os {

// Text is kept as UTF-16 where files and records store it and as UTF-8 everywhere else. Both
// conversions accept any input: a malformed sequence becomes U+FFFD and the conversion goes on.
std::u16string utf8ToUtf16(std::string_view text);
std::string utf16ToUtf8(std::u16string_view text);

// The first units of text, at most maxUnits of them, never ending in the middle of a surrogate
// pair (the high half is dropped with its partner).
std::u16string_view cutUtf16(std::u16string_view text, std::size_t maxUnits);

} // namespace lumetta::os
