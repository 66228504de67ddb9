#include "skin/files/XmlDoc.h"

namespace lumetta {

XmlDoc::XmlDoc() {
    ParseText();
}

bool XmlDoc::LoadFromFile(const std::filesystem::path& path) {
    uint32_t flags = flags_;
    return LoadFromFile(path, flags);
}

bool XmlDoc::LoadFromFile(const std::filesystem::path&, uint32_t& flags) {
    ClearForLoad(flags);
    return false;
}

bool XmlDoc::LoadFromMemory(std::string_view bytes) {
    uint32_t flags = flags_;
    return LoadFromMemory(bytes, flags);
}

bool XmlDoc::LoadFromMemory(std::string_view, uint32_t& flags) {
    ClearForLoad(flags);
    return true;
}

bool XmlDoc::SetText(std::u16string text) {
    text_ = std::move(text);
    loadReport_.clear();
    return ParseText();
}

bool XmlDoc::ParseText() {
    table_.Clear();
    table_.Append();
    Rewind();
    loadReport_ = u"Empty document";
    return false;
}

void XmlDoc::Rewind() {
    parent_ = element_ = child_ = 0;
    SetNode(0);
}

bool XmlDoc::SeekElement(std::u16string_view) {
    return false;
}
bool XmlDoc::SeekChild(std::u16string_view) {
    return false;
}
bool XmlDoc::EnterElement() {
    return false;
}
std::u16string XmlDoc::ChildText() const {
    return {};
}
std::u16string XmlDoc::ChildAttribute(std::u16string_view) const {
    return {};
}
std::u16string_view XmlDoc::ElementName(uint32_t) const {
    return {};
}
bool XmlDoc::NameMatches(uint32_t, std::u16string_view) const {
    return false;
}
uint32_t XmlDoc::FindSibling(uint32_t, std::u16string_view) const {
    return 0;
}

void XmlDoc::ClearForLoad(uint32_t flags) {
    flags_ = flags & ~(FlagUtf16Le | FlagUtf8Bom | FlagUtf16Be | FlagReading);
    text_.clear();
    loadReport_.clear();
    table_.Clear();
    table_.Append();
    Rewind();
}

void XmlDoc::SetNode(uint32_t element) {
    if (element == 0) {
        nodeKind_ = NodeNone;
        nodeOffset_ = nodeLength_ = 0;
        return;
    }
    nodeKind_ = NodeElement;
    nodeOffset_ = table_[element].start;
    nodeLength_ = table_[element].length;
}

} // namespace lumetta
