#include "skin/files/XmlDoc.h"

#include "skin/files/CharacterReferences.h"
#include "skin/files/DecodedXml.h"
#include "skin/files/Utf16Text.h"
#include "skin/files/XmlParser.h"
#include "skin/files/XmlTokenizer.h"

#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <system_error>
#include <unistd.h>

namespace lumetta {
namespace {

// Offsets are 32-bit; a file may not decode to more units than that, and nothing the programs
// read comes anywhere near this.
constexpr size_t MaxFileBytes = size_t(1) << 30;
constexpr size_t MaxTextUnits = 0xFFFFFFF0u;

class FileDescriptor {
public:
    explicit FileDescriptor(int fd) : fd_(fd) {}
    ~FileDescriptor() {
        if (fd_ >= 0) {
            ::close(fd_);
        }
    }
    FileDescriptor(const FileDescriptor&) = delete;
    FileDescriptor& operator=(const FileDescriptor&) = delete;
    int get() const { return fd_; }

private:
    int fd_;
};

std::u16string SystemMessage(int error) {
    std::string message = std::error_code(error, std::generic_category()).message();
    return Utf8ToUtf16(message.substr(0, message.find_first_of("\r\n")));
}

// The whole file, or the errno that stopped the read. Opened without blocking so that a path
// naming a pipe with no writer cannot hang the program.
int ReadWholeFile(const std::filesystem::path& path, std::string& bytes) {
    FileDescriptor file(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK));
    if (file.get() < 0) {
        return errno;
    }
    struct stat info {};
    if (::fstat(file.get(), &info) != 0) {
        return errno;
    }
    if (S_ISDIR(info.st_mode)) {
        return EISDIR;
    }
    if (S_ISREG(info.st_mode) && static_cast<size_t>(info.st_size) > MaxFileBytes) {
        return EFBIG;
    }
    bytes.clear();
    bytes.reserve(S_ISREG(info.st_mode) ? static_cast<size_t>(info.st_size) : 0);
    char buffer[65536];
    while (true) {
        ssize_t got = ::read(file.get(), buffer, sizeof buffer);
        if (got < 0 && errno == EINTR) {
            continue;
        }
        if (got < 0 && errno == EAGAIN) {
            return 0;
        }
        if (got < 0) {
            return errno;
        }
        if (got == 0) {
            return 0;
        }
        if (bytes.size() + static_cast<size_t>(got) > MaxFileBytes) {
            return EFBIG;
        }
        bytes.append(buffer, static_cast<size_t>(got));
    }
}

bool EqualNames(std::u16string_view a, std::u16string_view b, bool ignoreCase) {
    return XmlNamesEqual(a, b, ignoreCase);
}

bool ContinuesName(char16_t c) {
    return c == u' ' || c == u'=' || c == u'/' || c == u'[' || c == u']';
}

uint32_t SkipSpace(std::u16string_view text, uint32_t p, uint32_t end) {
    while (p < end && IsXmlSpace(text[p])) {
        ++p;
    }
    return p;
}

} // namespace

XmlDoc::XmlDoc() {
    ParseText();
}

bool XmlDoc::LoadFromFile(const std::filesystem::path& path) {
    uint32_t flags = flags_;
    return LoadFromFile(path, flags);
}

bool XmlDoc::LoadFromFile(const std::filesystem::path& path, uint32_t& flags) {
    ClearForLoad(flags);
    flags_ |= FlagReading;
    std::string bytes;
    int error = ReadWholeFile(path, bytes);
    flags_ &= ~FlagReading;
    if (error != 0) {
        loadReport_ = SystemMessage(error);
        flags = flags_;
        return false;
    }
    return LoadFromMemory(bytes, flags);
}

bool XmlDoc::LoadFromMemory(std::string_view bytes) {
    uint32_t flags = flags_;
    return LoadFromMemory(bytes, flags);
}

bool XmlDoc::LoadFromMemory(std::string_view bytes, uint32_t& flags) {
    ClearForLoad(flags);
    DecodedXml decoded;
    decoded.text = std::move(text_);
    DecodeXmlBytes(bytes, decoded);
    text_ = std::move(decoded.text);
    loadReport_ = std::move(decoded.report);
    flags_ |= decoded.flags;
    flags = flags_;
    return true;
}

bool XmlDoc::SetText(std::u16string text) {
    text_ = std::move(text);
    loadReport_.clear();
    return ParseText();
}

bool XmlDoc::ParseText() {
    std::u16string saved = std::move(loadReport_);
    XmlParseResult result;
    if (text_.size() > MaxTextUnits) {
        table_.Clear();
        table_.Append();
        table_[0].levelFlags = ElementRecord::IllFormed;
        result.problem = u"Document too large";
    } else {
        result = ParseXmlElements(text_, (flags_ & FlagIgnoreCase) != 0, table_);
    }
    if (saved.empty() || result.problem.empty()) {
        loadReport_ = saved.empty() ? std::move(result.problem) : std::move(saved);
    } else {
        loadReport_ = std::move(saved) + u" " + result.problem;
    }
    Rewind();
    return result.wellFormed;
}

void XmlDoc::Rewind() {
    parent_ = element_ = child_ = 0;
    SetNode(0);
}

std::u16string_view XmlDoc::ElementName(uint32_t index) const {
    if (index == 0 || index >= table_.Size()) {
        return {};
    }
    uint32_t start = table_[index].start + 1;
    uint32_t end = start;
    while (end < text_.size() && !IsXmlNameDelimiter(text_[end])) {
        ++end;
    }
    return std::u16string_view(text_).substr(start, end - start);
}

bool XmlDoc::NameMatches(uint32_t element, std::u16string_view name) const {
    if (name.empty()) {
        return true;
    }
    std::u16string_view own = ElementName(element);
    if (name.size() < own.size()) {
        return false;
    }
    bool ignoreCase = (flags_ & FlagIgnoreCase) != 0;
    if (!EqualNames(own, name.substr(0, own.size()), ignoreCase)) {
        return false;
    }
    return name.size() == own.size() || ContinuesName(name[own.size()]);
}

uint32_t XmlDoc::FindSibling(uint32_t first, std::u16string_view name) const {
    for (uint32_t i = first; i != 0; i = table_[i].nextSibling) {
        if (NameMatches(i, name)) {
            return i;
        }
    }
    return 0;
}

bool XmlDoc::SeekElement(std::u16string_view name) {
    uint32_t first = element_ != 0 ? table_[element_].nextSibling : table_[parent_].firstChild;
    uint32_t found = FindSibling(first, name);
    SetNode(found);
    if (found == 0) {
        return false;
    }
    element_ = found;
    child_ = 0;
    return true;
}

bool XmlDoc::SeekChild(std::u16string_view name) {
    if (element_ == 0 && !SeekElement()) {
        return false;
    }
    uint32_t first = child_ != 0 ? table_[child_].nextSibling : table_[element_].firstChild;
    uint32_t found = FindSibling(first, name);
    SetNode(found);
    if (found == 0) {
        return false;
    }
    child_ = found;
    return true;
}

bool XmlDoc::EnterElement() {
    if (element_ == 0) {
        SetNode(0);
        return false;
    }
    parent_ = element_;
    element_ = child_;
    child_ = 0;
    SetNode(element_);
    return true;
}

std::u16string XmlDoc::ChildText() const {
    if (child_ == 0) {
        return {};
    }
    const ElementRecord& record = table_[child_];
    if (record.firstChild != 0 || record.endTagLength == 0) {
        return {};
    }
    uint32_t begin = record.start + record.startTagLength;
    uint32_t end = record.start + record.length - record.endTagLength;
    std::u16string_view content = std::u16string_view(text_).substr(begin, end - begin);
    std::u16string out;
    if (content.find(u'<') == std::u16string_view::npos) {
        AppendDecodedText(content, out);
        return out;
    }
    XmlTokenizer tokenizer(text_, begin, end);
    XmlToken token;
    while (tokenizer.Next(token)) {
        std::u16string_view span = content.substr(token.start - begin, token.end - token.start);
        if (token.kind == XmlTokenKind::Text || token.kind == XmlTokenKind::Incorrect) {
            AppendDecodedText(span, out);
        } else if (token.kind == XmlTokenKind::CData) {
            // "<![CDATA[" ... "]]>", cut short when the opening was malformed.
            size_t open = std::min<size_t>(9, span.size() - 3);
            out.append(span.substr(open, span.size() - 3 - open));
        }
    }
    return out;
}

std::u16string XmlDoc::ChildAttribute(std::u16string_view name) const {
    if (child_ == 0 || name.empty()) {
        return {};
    }
    const ElementRecord& record = table_[child_];
    std::u16string_view text = text_;
    uint32_t p = record.start + 1 + static_cast<uint32_t>(ElementName(child_).size());
    uint32_t end = record.start + record.startTagLength - 1; // the '>'
    if (end > p && text[end - 1] == u'/') {
        --end;
    }
    bool ignoreCase = (flags_ & FlagIgnoreCase) != 0;
    while ((p = SkipSpace(text, p, end)) < end) {
        uint32_t nameStart = p;
        while (p < end && !IsXmlSpace(text[p]) && text[p] != u'=') {
            ++p;
        }
        std::u16string_view attribute = text.substr(nameStart, p - nameStart);
        p = SkipSpace(text, p, end);
        uint32_t valueStart = p;
        uint32_t valueEnd = p;
        if (p < end && text[p] == u'=') {
            p = SkipSpace(text, p + 1, end);
            if (p < end && (text[p] == u'"' || text[p] == u'\'')) {
                char16_t quote = text[p];
                valueStart = ++p;
                while (p < end && text[p] != quote) {
                    ++p;
                }
                valueEnd = p;
                p += p < end;
            } else {
                valueStart = p;
                while (p < end && !IsXmlSpace(text[p])) {
                    ++p;
                }
                valueEnd = p;
            }
        }
        if (EqualNames(attribute, name, ignoreCase)) {
            return DecodeCharacterReferences(text.substr(valueStart, valueEnd - valueStart));
        }
    }
    return {};
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
