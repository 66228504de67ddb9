#include "skin/files/SkinLookup.h"

namespace lumetta {

std::u16string SkinValue(XmlDoc&, std::u16string_view, std::u16string_view) {
    return {};
}

std::u16string SkinAttribute(XmlDoc&, std::u16string_view, std::u16string_view,
                             std::u16string_view) {
    return {};
}

} // namespace lumetta
