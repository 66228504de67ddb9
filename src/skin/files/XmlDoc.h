// The read-only, lenient XML document behind every XML file the programs read (skin files, key
// maps, the version entry, the updater's layout resource).
//
// Text model: the whole document is one UTF-16 text (std::u16string, char16_t units, host byte
// order). Every offset and length below counts char16_t units in that text, and every string that
// goes in or comes out is UTF-16. Queries that find nothing return an empty string; there is no
// separate "missing" result, so callers read section/key without a check at every step.
//
// Loading and parsing never throw and never stop at the first problem: the first problem ends up
// as text (with its offset) in LoadReport(), and the element table holds what could be read.
#pragma once

#include "skin/files/ElementTable.h"

#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>

namespace lumetta {

class XmlDoc {
public:
    // Document flags, with the values stored and returned by LoadFromFile.
    static constexpr uint32_t FlagUtf16Le = 0x0001;    // byte-order mark FF FE seen
    static constexpr uint32_t FlagUtf8Bom = 0x0004;    // byte-order mark EF BB BF seen
    static constexpr uint32_t FlagIgnoreCase = 0x0008; // ASCII-case-blind name matching
    static constexpr uint32_t FlagReading = 0x0010;    // set only while a file is being read
    static constexpr uint32_t FlagUtf16Be = 0x0080;    // byte-order mark FE FF seen

    // Node kinds reported by NodeKind().
    static constexpr int NodeNone = 0;
    static constexpr int NodeElement = 1;

    // An empty document: every query answers with an empty string and LoadReport() reads
    // "Empty document".
    XmlDoc();

    // Reads and decodes the whole file into the document text (no parse: call ParseText()).
    // `flags` comes in with the caller's wishes (FlagIgnoreCase), goes out with the encoding bits
    // found; it also becomes the document's flags. Returns false when the file cannot be opened
    // or read; the document is then empty and LoadReport() holds the system's message.
    bool LoadFromFile(const std::filesystem::path& path, uint32_t& flags);
    bool LoadFromFile(const std::filesystem::path& path);

    // The same decoding as LoadFromFile for bytes already in memory (embedded resources).
    // Always succeeds; returns true.
    bool LoadFromMemory(std::string_view bytes, uint32_t& flags);
    bool LoadFromMemory(std::string_view bytes);

    // The string becomes the document text, LoadReport() is cleared, then ParseText() runs.
    bool SetText(std::u16string text);

    // Rebuilds the element table from the document text, appends parse problems to LoadReport()
    // and rewinds. True when the document is well formed: no problem found, one root element and
    // nothing beside it.
    bool ParseText();

    // Navigation. The position is (current parent level, current element at that level, current
    // child of that element); 0 means none.
    void Rewind();
    // Searches the current parent's children after the current element (or from the first) for
    // `name` (any element when empty). On success the element becomes current and the current
    // child is cleared; on failure the position is unchanged.
    bool SeekElement(std::u16string_view name = {});
    // Searches the current element's children after the current child for `name`. With no
    // current element it first does SeekElement() with no name, so the root becomes current.
    bool SeekChild(std::u16string_view name = {});
    // Steps one level down: the current element becomes the parent level, the current child
    // becomes the current element. False when there is no current element.
    bool EnterElement();

    // Text content of the current child: character references decoded, CDATA taken raw,
    // comments and processing instructions dropped; empty for an element with child elements,
    // an empty element, or no current child.
    std::u16string ChildText() const;
    // Decoded value of the first attribute called `name` in the current child's start tag
    // (quoted with " or ', or unquoted); empty when absent.
    std::u16string ChildAttribute(std::u16string_view name) const;

    const std::u16string& Text() const { return text_; }
    const std::u16string& LoadReport() const { return loadReport_; }
    uint32_t Flags() const { return flags_; }
    // Only FlagIgnoreCase has an effect on an already loaded document (at the next ParseText()).
    void SetFlags(uint32_t flags) { flags_ = flags; }

    // Kind, offset and length of the node the last navigation call found (reset by every
    // navigation call).
    int NodeKind() const { return nodeKind_; }
    uint32_t NodeOffset() const { return nodeOffset_; }
    uint32_t NodeLength() const { return nodeLength_; }

    // Position, as element indexes (0 = none / document level).
    uint32_t CurrentParent() const { return parent_; }
    uint32_t CurrentElement() const { return element_; }
    uint32_t CurrentChild() const { return child_; }

    // The element table: record 0 is the document, real elements start at 1.
    const ElementTable& Elements() const { return table_; }
    // The name of element `index` as written in its start tag; empty for 0 or out of range.
    std::u16string_view ElementName(uint32_t index) const;

private:
    bool NameMatches(uint32_t element, std::u16string_view name) const;
    uint32_t FindSibling(uint32_t first, std::u16string_view name) const;
    void ClearForLoad(uint32_t flags);
    void SetNode(uint32_t element);

    std::u16string text_;
    std::u16string loadReport_;
    ElementTable table_;
    uint32_t flags_ = 0;
    uint32_t parent_ = 0;
    uint32_t element_ = 0;
    uint32_t child_ = 0;
    int nodeKind_ = NodeNone;
    uint32_t nodeOffset_ = 0;
    uint32_t nodeLength_ = 0;
};

} // namespace lumetta
