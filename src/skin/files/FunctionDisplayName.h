// Display names of lighting effects, their sub-modes and key functions, looked up by id in the
// string document.
#pragma once

#include "skin/files/XmlDoc.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace lumetta {

struct SkinKey {
    std::u16string_view section;
    std::u16string_view key;
    bool operator==(const SkinKey&) const = default;
};

// Section and key of an id's display name; none for an id outside the table.
std::optional<SkinKey> FunctionDisplayKey(uint32_t id);

// The display text of an id, or an empty string.
std::u16string FunctionDisplayName(XmlDoc& strings, uint32_t id);

} // namespace lumetta
