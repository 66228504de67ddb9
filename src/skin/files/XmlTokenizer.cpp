#include "skin/files/XmlTokenizer.h"

#include "skin/files/Utf16Scan.h"

namespace lumetta {
namespace {

constexpr uint32_t None = XmlTokenizer::NotFound;

bool StartsWith(std::u16string_view text, uint32_t at, std::u16string_view prefix) {
    return text.substr(at, prefix.size()) == prefix;
}

} // namespace

XmlTokenizer::XmlTokenizer(std::u16string_view text, uint32_t begin, uint32_t end)
    : text_(text.substr(0, end)), pos_(begin) {}

uint32_t XmlTokenizer::Find(std::u16string_view s, uint32_t from) const {
    for (uint32_t at = Find(s[0], from); at != None; at = Find(s[0], at + 1)) {
        if (text_.substr(at, s.size()) == s) {
            return at;
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
