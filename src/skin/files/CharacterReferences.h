// Character references in XML text and attribute values: "&#65;", "&#x41;" and the named
// character entities of HTML 4 plus "apos".
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace lumetta {

// Appends `text` to `out` with every well-formed reference replaced by its character (a code
// point above U+FFFF as a surrogate pair). Anything else (unknown name, no ';' within nine
// characters, a non-ASCII character, value 0 or beyond U+10FFFF, a surrogate) leaves the '&' as
// it stands, and decoding goes on with the next character.
void AppendDecodedText(std::u16string_view text, std::u16string& out);
std::u16string DecodeCharacterReferences(std::u16string_view text);

// The code point of a named entity, or 0. A name in the exact case wins; otherwise the first
// entity whose name matches ignoring ASCII case.
char32_t NamedEntity(std::u16string_view name);

// Number of named entities known (252 from HTML 4, plus "apos").
std::size_t NamedEntityCount();

} // namespace lumetta
