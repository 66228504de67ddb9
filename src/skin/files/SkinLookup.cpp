#include "skin/files/SkinLookup.h"

namespace lumetta {
namespace {

// Leaves the entry as the document's current child. When the first section of that name lacks
// the key, the search goes on one level down inside it (a nested element with the section's own
// name); a later section of the same name is never consulted.
bool SeekEntry(XmlDoc& document, std::u16string_view section, std::u16string_view key) {
    if (section.empty() || key.empty()) {
        return false;
    }
    document.Rewind();
    while (document.SeekChild(section)) {
        document.EnterElement();
        if (document.SeekChild(key)) {
            return true;
        }
    }
    return false;
}

} // namespace

std::u16string SkinValue(XmlDoc& document, std::u16string_view section, std::u16string_view key) {
    return SeekEntry(document, section, key) ? document.ChildText() : std::u16string();
}

std::u16string SkinAttribute(XmlDoc& document, std::u16string_view section, std::u16string_view key,
                             std::u16string_view attribute) {
    return SeekEntry(document, section, key) ? document.ChildAttribute(attribute)
                                             : std::u16string();
}

} // namespace lumetta
