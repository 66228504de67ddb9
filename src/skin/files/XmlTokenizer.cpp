#include "skin/files/XmlTokenizer.h"

#include <array>

namespace lumetta {
namespace {

constexpr uint32_t None = 0xFFFFFFFFu;

constexpr std::array<bool, 128> MakeDelimiters() {
    std::array<bool, 128> table{};
    for (char c : std::string_view(" \t\r\n<>=\\/?!\"';")) {
        table[static_cast<unsigned char>(c)] = true;
    }
    return table;
}
constexpr std::array<bool, 128> Delimiters = MakeDelimiters();

// A name may start with anything but a control character, a blank, a digit or ASCII
// punctuation; of the punctuation only ':' and '_' may start a name ('!', '/', '?' are handled
// before this test).
bool CanStartName(char16_t c) {
    if (c >= 0x80) {
        return true;
    }
    if (c <= 0x20 || c == 0x7F || (c >= u'0' && c <= u'9')) {
        return false;
    }
    bool letter = (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z');
    return letter || c == u':' || c == u'_';
}

bool StartsWith(std::u16string_view text, uint32_t at, std::u16string_view prefix) {
    return text.substr(at, prefix.size()) == prefix;
}

} // namespace

bool IsXmlNameDelimiter(char16_t c) {
    return c < 128 && Delimiters[c];
}

bool IsXmlSpace(char16_t c) {
    return c == u' ' || c == u'\t' || c == u'\r' || c == u'\n';
}

XmlTokenizer::XmlTokenizer(std::u16string_view text, uint32_t begin, uint32_t end)
    : text_(text.substr(0, end)), pos_(begin) {}

uint32_t XmlTokenizer::Find(char16_t c, uint32_t from) const {
    const char16_t* data = text_.data();
    uint32_t n = static_cast<uint32_t>(text_.size());
    for (uint32_t p = from; p < n; ++p) {
        if (data[p] == c) {
            return p;
        }
    }
    return None;
}

uint32_t XmlTokenizer::Find(std::u16string_view s, uint32_t from) const {
    if (from > text_.size()) {
        return None;
    }
    size_t at = text_.find(s, from);
    return at == std::u16string_view::npos ? None : static_cast<uint32_t>(at);
}

uint32_t XmlTokenizer::ScanName(uint32_t from) const {
    const char16_t* data = text_.data();
    uint32_t n = static_cast<uint32_t>(text_.size());
    uint32_t p = from;
    while (p < n && !IsXmlNameDelimiter(data[p])) {
        ++p;
    }
    return p;
}

// The closing '>' of a start tag; a quoted attribute value may hold '>'.
uint32_t XmlTokenizer::ScanTagEnd(uint32_t from) const {
    const char16_t* data = text_.data();
    uint32_t n = static_cast<uint32_t>(text_.size());
    uint32_t p = from;
    while (p < n) {
        char16_t c = data[p];
        if (c == u'>') {
            return p;
        }
        ++p;
        if (c != u'=') {
            continue;
        }
        while (p < n && IsXmlSpace(data[p])) {
            ++p;
        }
        if (p < n && (data[p] == u'"' || data[p] == u'\'')) {
            uint32_t close = Find(data[p], p + 1);
            if (close == None) {
                return None;
            }
            p = close + 1;
        }
    }
    return None;
}

// The closing '>' of a declaration in the internal subset; every quote opens a literal there.
uint32_t XmlTokenizer::ScanDeclarationEnd(uint32_t from) const {
    uint32_t n = static_cast<uint32_t>(text_.size());
    for (uint32_t p = from; p < n; ++p) {
        char16_t c = text_[p];
        if (c == u'>') {
            return p;
        }
        if (c == u'"' || c == u'\'') {
            p = Find(c, p + 1);
            if (p == None) {
                return None;
            }
        }
    }
    return None;
}

bool XmlTokenizer::Emit(XmlToken& token, XmlTokenKind kind, uint32_t end) {
    token.kind = kind;
    token.start = pos_;
    token.end = end;
    pos_ = end;
    return true;
}

bool XmlTokenizer::Unterminated(XmlToken& token, std::u16string_view what, uint32_t at) {
    token.problem = what;
    token.problemOffset = at;
    return Emit(token, XmlTokenKind::Unterminated, static_cast<uint32_t>(text_.size()));
}

bool XmlTokenizer::Incorrect(XmlToken& token, std::u16string_view what) {
    token.problem = what;
    token.problemOffset = pos_;
    return Emit(token, XmlTokenKind::Incorrect, pos_ + 1);
}

bool XmlTokenizer::Delimited(XmlToken& token, XmlTokenKind kind, uint32_t skip,
                             std::u16string_view close, std::u16string_view what) {
    uint32_t at = Find(close, pos_ + skip);
    if (at == None) {
        return Unterminated(token, what, pos_);
    }
    return Emit(token, kind, at + static_cast<uint32_t>(close.size()));
}

bool XmlTokenizer::Next(XmlToken& token) {
    uint32_t n = static_cast<uint32_t>(text_.size());
    if (pos_ >= n) {
        return false;
    }
    token.problem = {};
    if (text_[pos_] != u'<') {
        uint32_t lt = Find(u'<', pos_ + 1);
        return Emit(token, XmlTokenKind::Text, lt == None ? n : lt);
    }
    if (pos_ + 1 >= n) {
        return Unterminated(token, XmlUnterminatedTag, pos_);
    }
    char16_t c = text_[pos_ + 1];
    if (c == u'/') {
        return EndTag(token);
    }
    if (c == u'?') {
        return Delimited(token, XmlTokenKind::ProcessingInstruction, 2, u"?>", XmlUnterminatedPI);
    }
    if (c == u'!') {
        return Bang(token);
    }
    if (!CanStartName(c)) {
        return Incorrect(token, XmlIncorrectNameChar);
    }
    return StartTag(token);
}

bool XmlTokenizer::StartTag(XmlToken& token) {
    uint32_t nameEnd = ScanName(pos_ + 1);
    uint32_t gt = ScanTagEnd(nameEnd);
    if (gt == None) {
        return Unterminated(token, XmlUnterminatedElement, pos_);
    }
    token.nameEnd = nameEnd;
    bool empty = gt > nameEnd && text_[gt - 1] == u'/';
    return Emit(token, empty ? XmlTokenKind::EmptyTag : XmlTokenKind::StartTag, gt + 1);
}

bool XmlTokenizer::EndTag(XmlToken& token) {
    uint32_t nameEnd = ScanName(pos_ + 2);
    uint32_t gt = Find(u'>', nameEnd);
    if (gt == None) {
        return Unterminated(token, XmlUnterminatedEndTag, pos_);
    }
    token.nameEnd = nameEnd;
    return Emit(token, XmlTokenKind::EndTag, gt + 1);
}

bool XmlTokenizer::Bang(XmlToken& token) {
    uint32_t n = static_cast<uint32_t>(text_.size());
    if (pos_ + 2 >= n) {
        return Unterminated(token, XmlUnterminatedTag, pos_);
    }
    switch (text_[pos_ + 2]) {
    case u'-':
        if (pos_ + 3 < n && text_[pos_ + 3] != u'-') {
            return Incorrect(token, XmlIncorrectComment);
        }
        return Delimited(token, XmlTokenKind::Comment, 4, u"-->", XmlUnterminatedComment);
    case u'[':
        if (pos_ + 3 >= n) {
            return Unterminated(token, XmlUnterminatedTag, pos_);
        }
        if (text_[pos_ + 3] != u'C') {
            return Incorrect(token, XmlIncorrectTag);
        }
        return Delimited(token, XmlTokenKind::CData, 3, u"]]>", XmlUnterminatedCData);
    case u'D':
        return Doctype(token);
    default:
        return Incorrect(token, XmlIncorrectBang);
    }
}

// A document type declaration, with quoted literals and an internal subset in brackets.
bool XmlTokenizer::Doctype(XmlToken& token) {
    uint32_t n = static_cast<uint32_t>(text_.size());
    uint32_t p = pos_ + 2;
    bool inSubset = false;
    while (p < n) {
        char16_t c = text_[p];
        if (c == u'"' || c == u'\'') {
            uint32_t close = Find(c, p + 1);
            if (close == None) {
                break;
            }
            p = close + 1;
        } else if (!inSubset && c == u'>') {
            return Emit(token, XmlTokenKind::Doctype, p + 1);
        } else if (c == u'[' || c == u']') {
            inSubset = c == u'[';
            ++p;
        } else if (inSubset && c == u'<') {
            if (!SubsetMarkup(p, token)) {
                return true;
            }
        } else {
            ++p;
        }
    }
    return Unterminated(token, XmlUnterminatedDoctype, pos_);
}

// One piece of markup inside the internal subset, starting at the '<' at p. Returns false when
// it ran into the end of the text (the token is then the Unterminated one).
bool XmlTokenizer::SubsetMarkup(uint32_t& p, XmlToken& token) {
    if (StartsWith(text_, p, u"<!--")) {
        uint32_t close = Find(u"-->", p + 4);
        if (close == None) {
            Unterminated(token, XmlUnterminatedComment, pos_);
            return false;
        }
        p = close + 3;
        return true;
    }
    if (StartsWith(text_, p, u"<?")) {
        uint32_t close = Find(u"?>", p + 2);
        if (close == None) {
            Unterminated(token, XmlUnterminatedPI, pos_);
            return false;
        }
        p = close + 2;
        return true;
    }
    for (std::u16string_view decl : {u"<!ELEMENT", u"<!ATTLIST", u"<!ENTITY", u"<!NOTATION"}) {
        if (!StartsWith(text_, p, decl)) {
            continue;
        }
        uint32_t close = ScanDeclarationEnd(p + static_cast<uint32_t>(decl.size()));
        if (close == None) {
            Unterminated(token, XmlUnterminatedDoctype, pos_);
            return false;
        }
        p = close + 1;
        return true;
    }
    if (token.problem.empty()) {
        token.problem = XmlIncorrectBang;
        token.problemOffset = p;
    }
    ++p;
    return true;
}

} // namespace lumetta
