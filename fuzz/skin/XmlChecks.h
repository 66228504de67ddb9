// Structural checks every parsed document must pass, whatever its text: a violation stops the
// fuzzer as a finding.
#pragma once

#include "skin/files/SkinLookup.h"
#include "skin/files/XmlDoc.h"

#include <cstdlib>
#include <string>
#include <vector>

namespace lumetta::fuzz {

inline void Require(bool condition) {
    if (!condition) {
        std::abort();
    }
}

inline void CheckTable(const XmlDoc& doc) {
    const ElementTable& table = doc.Elements();
    uint64_t size = doc.Text().size();
    Require(table.Size() >= 1);
    for (uint32_t i = 1; i < table.Size(); ++i) {
        const ElementRecord& r = table[i];
        Require(r.start + uint64_t(r.length) <= size);
        Require(r.startTagLength <= r.length);
        Require(r.endTagLength <= r.length - r.startTagLength);
        Require(r.parent < i);
        Require(r.firstChild == 0 || (r.firstChild > i && r.firstChild < table.Size()));
        Require(r.nextSibling == 0 || (r.nextSibling > i && r.nextSibling < table.Size()));
        Require(r.prevSibling < table.Size());
        Require(doc.Text()[r.start] == u'<');
    }
}

// Walks every child of the root through the public navigation, reading its text and one
// attribute, then looks a few of the names up again as sections and keys.
inline void WalkAll(XmlDoc& doc, std::u16string_view attribute) {
    std::vector<std::u16string> names;
    doc.Rewind();
    while (doc.SeekChild()) {
        (void)doc.ChildText();
        (void)doc.ChildAttribute(attribute);
        if (names.size() < 16) {
            names.emplace_back(doc.ElementName(doc.CurrentChild()));
        }
    }
    // One level down in the first section, as the lookups go.
    doc.Rewind();
    if (doc.SeekChild() && doc.EnterElement()) {
        while (doc.SeekChild()) {
            (void)doc.ChildText();
            if (names.size() < 32) {
                names.emplace_back(doc.ElementName(doc.CurrentChild()));
            }
        }
    }
    for (size_t i = 0; i < names.size(); ++i) {
        const std::u16string& key = names[(i * 7) % names.size()];
        (void)SkinValue(doc, names[i], key);
        (void)SkinAttribute(doc, names[i], key, attribute);
    }
}

} // namespace lumetta::fuzz
