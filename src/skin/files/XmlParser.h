// Builds the element table of a document in one pass over its text, without recursion: open
// elements live on an explicit stack, so nesting depth is limited only by memory.
#pragma once

#include "skin/files/ElementTable.h"

#include <string>
#include <string_view>

namespace lumetta {

struct XmlParseResult {
    std::u16string problem; // the first problem found, or empty
    bool wellFormed = false;
};

// Record 0 of `table` becomes the document; real elements follow in document order, so a
// parent's index is always below its children's. End tags match names exactly, or ignoring
// ASCII case when `ignoreCase` is set.
XmlParseResult ParseXmlElements(std::u16string_view text, bool ignoreCase, ElementTable& table);

// Compares two names, optionally ignoring ASCII case.
bool XmlNamesEqual(std::u16string_view a, std::u16string_view b, bool ignoreCase);

} // namespace lumetta
