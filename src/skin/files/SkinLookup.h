// Section/key lookups in a skin document: root element, sections under it, entries under those.
// Lenient by design: every miss is an empty string, never an error.
#pragma once

#include "skin/files/XmlDoc.h"

#include <string>
#include <string_view>

namespace lumetta {

// The text of entry `key` in section `section`, or an empty string.
std::u16string SkinValue(XmlDoc& document, std::u16string_view section, std::u16string_view key);

// The value of attribute `attribute` on entry `key` in section `section`, or an empty string.
std::u16string SkinAttribute(XmlDoc& document, std::u16string_view section, std::u16string_view key,
                             std::u16string_view attribute);

} // namespace lumetta
