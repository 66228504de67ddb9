// Structural checks every parsed document must pass, whatever its text: a violation stops the
// fuzzer as a finding.
#pragma once

#include "skin/files/SkinLookup.h"
#include "skin/files/XmlDoc.h"

#include <cstdlib>

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

// Walks the whole tree through the public navigation, reading every text and one attribute.
inline void WalkAll(XmlDoc& doc, std::u16string_view attribute) {
    doc.Rewind();
    int steps = 0;
    while (doc.SeekChild() && ++steps < 100000) {
        (void)doc.ChildText();
        (void)doc.ChildAttribute(attribute);
        std::u16string_view name = doc.ElementName(doc.CurrentChild());
        (void)SkinValue(doc, name, name);
        (void)SkinAttribute(doc, name, attribute, attribute);
    }
}

} // namespace lumetta::fuzz
