// The flat table of element records that an XmlDoc builds over its text.
//
// Records live in blocks of up to 65536; an index splits into block (high 16 bits) and entry
// (low 16 bits). Growing reallocates only the block list and the last block, so records in
// earlier blocks never move and a large document is never copied as a whole.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

namespace lumetta {

struct ElementRecord {
    // Bits of `levelFlags` above the 16-bit nesting depth.
    static constexpr uint32_t LevelMask = 0x0000FFFF;
    static constexpr uint32_t FirstChild = 0x00080000;
    static constexpr uint32_t ClosedImplicitly = 0x00100000;
    static constexpr uint32_t HasError = 0x00200000;
    static constexpr uint32_t IllFormed = 0x00800000; // record 0 only

    uint32_t start;          // offset of the '<' of the start tag
    uint32_t length;         // start tag to end of end tag (start tag alone when empty/unclosed)
    uint32_t startTagLength; // including '<' and '>'
    uint32_t endTagLength;   // 0 for an empty or implicitly closed element
    uint32_t levelFlags;     // depth (document 0, root-level elements 1) and the flags above
    uint32_t parent;         // 0 for a root-level element
    uint32_t firstChild;     // 0 when the element has no child elements
    uint32_t nextSibling;    // 0 for the last child
    uint32_t prevSibling;    // the first child's points to the last child
};

class ElementTable {
public:
    static constexpr uint32_t BlockShift = 16;
    static constexpr uint32_t BlockSize = 1u << BlockShift;

    ElementTable() = default;
    ElementTable(ElementTable&&) noexcept = default;
    ElementTable& operator=(ElementTable&&) noexcept = default;

    // Drops every record but keeps the allocated blocks for the next parse.
    void Clear() { size_ = 0; }
    // Makes room for at least `records` records in total.
    void Reserve(uint32_t records);
    // Appends a zeroed record and returns its index.
    uint32_t Append();

    uint32_t Size() const { return size_; }
    ElementRecord& operator[](uint32_t index) {
        return blocks_[index >> BlockShift][index & (BlockSize - 1)];
    }
    const ElementRecord& operator[](uint32_t index) const {
        return blocks_[index >> BlockShift][index & (BlockSize - 1)];
    }

private:
    void Grow();
    void ResizeLastBlock(uint32_t entries);

    std::vector<std::unique_ptr<ElementRecord[]>> blocks_;
    uint32_t lastBlockCapacity_ = 0; // entries allocated in blocks_.back()
    uint32_t capacity_ = 0;
    uint32_t size_ = 0;
};

} // namespace lumetta
