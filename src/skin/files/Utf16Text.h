// Conversions between UTF-8 (paths, logs, source literals) and the UTF-16 text of the documents.
#pragma once

#include <string>
#include <string_view>

namespace lumetta {

// Appends the UTF-16 form of `bytes` to `out`. A byte sequence that is not well-formed UTF-8
// (stray continuation, overlong form, encoded surrogate, beyond U+10FFFF, cut short) gives one
// '?' per offending byte. Pure ASCII runs take a fast path.
void AppendUtf8AsUtf16(std::string_view bytes, std::u16string& out);
std::u16string Utf8ToUtf16(std::string_view bytes);

// The same, but with `refuseZero` it stops at the first zero byte and returns false, having
// appended an unspecified part of the text.
bool AppendUtf8AsUtf16WithoutZeros(std::string_view bytes, std::u16string& out, bool refuseZero);

// UTF-8 form of a UTF-16 text; an unpaired surrogate becomes '?'.
std::string Utf16ToUtf8(std::u16string_view text);

// True when every byte of 0x80 or more starts a well-formed multi-byte sequence.
bool IsValidUtf8(std::string_view bytes);

} // namespace lumetta
