// Splits a range of a UTF-16 document into tokens: text, tags, comments, CDATA sections,
// processing instructions and document type declarations. It never fails: a '<' that cannot
// start anything comes back as an Incorrect token one character long (callers treat it as text),
// and a construct that runs into the end of the range comes back as one Unterminated token.
#pragma once

#include "skin/files/Utf16Scan.h"

#include <array>
#include <cstdint>
#include <string_view>

namespace lumetta {

enum class XmlTokenKind : uint8_t {
    Text,
    StartTag,
    EmptyTag,
    EndTag,
    Comment,
    CData,
    ProcessingInstruction,
    Doctype,
    Unterminated,
    Incorrect,
};

struct XmlToken {
    XmlTokenKind kind = XmlTokenKind::Text;
    uint32_t start = 0;   // offset of the first unit
    uint32_t end = 0;     // offset after the last unit
    uint32_t nameEnd = 0; // tags: end of the name (it starts after "<" or "</")
    // Unterminated: the construct ("Element tag", "Comment", ...); Incorrect: what was wrong
    // ("tag name character", "! tag", ...); Doctype: a wrong declaration inside it, or empty.
    std::u16string_view problem;
    uint32_t problemOffset = 0;
    bool expectedName = false; // EndTag: carries exactly the name given to ExpectEndName()
};

class XmlTokenizer {
public:
    static constexpr uint32_t NotFound = 0xFFFFFFFFu;

    // Tokens of text[begin, end).
    XmlTokenizer(std::u16string_view text, uint32_t begin, uint32_t end);

    // The next token, or false at the end of the range.
    bool Next(XmlToken& token);

    // The name the next end tag most likely carries (the innermost open element's); an end tag
    // that carries it exactly is recognised without scanning its name again.
    void ExpectEndName(std::u16string_view name) { expectedEndName_ = name; }

    // Text between markup is passed over instead of coming back as tokens (the last run, at the
    // end of the range, still does).
    void SkipText(bool skip) { skipText_ = skip; }

private:
    uint32_t Find(char16_t c, uint32_t from) const;
    uint32_t Find(std::u16string_view s, uint32_t from) const;
    uint32_t ScanName(uint32_t from) const;
    uint32_t ScanTagEnd(uint32_t from) const;
    uint32_t ScanDeclarationEnd(uint32_t from) const;
    bool Emit(XmlToken& token, XmlTokenKind kind, uint32_t end);
    bool Unterminated(XmlToken& token, std::u16string_view what, uint32_t at);
    bool Incorrect(XmlToken& token, std::u16string_view what);
    bool Delimited(XmlToken& token, XmlTokenKind kind, uint32_t skip, std::u16string_view close,
                   std::u16string_view what);
    bool StartTag(XmlToken& token);
    bool EndTag(XmlToken& token);
    bool Bang(XmlToken& token);
    bool Doctype(XmlToken& token);
    bool SubsetMarkup(uint32_t& p, XmlToken& token);

    std::u16string_view text_; // already cut at the end of the range
    std::u16string_view expectedEndName_;
    bool skipText_ = false;
    uint32_t pos_;
};

namespace detail {
constexpr std::array<bool, 128> MakeXmlNameDelimiters() {
    std::array<bool, 128> table{};
    for (char c : std::string_view(" \t\r\n<>=\\/?!\"';")) {
        table[static_cast<unsigned char>(c)] = true;
    }
    return table;
}
inline constexpr std::array<bool, 128> XmlNameDelimiters = MakeXmlNameDelimiters();
} // namespace detail

// Name characters end at whitespace and at < > = \ / ? ! " ' ;
inline bool IsXmlNameDelimiter(char16_t c) {
    return c < 128 && detail::XmlNameDelimiters[c];
}
inline bool IsXmlSpace(char16_t c) {
    return c == u' ' || c == u'\t' || c == u'\r' || c == u'\n';
}

// Problem texts shared by the parser and its tests.
inline constexpr std::u16string_view XmlUnterminatedTag = u"tag";
inline constexpr std::u16string_view XmlUnterminatedElement = u"Element tag";
inline constexpr std::u16string_view XmlUnterminatedEndTag = u"Element end tag";
inline constexpr std::u16string_view XmlUnterminatedCData = u"CDATA Section";
inline constexpr std::u16string_view XmlUnterminatedPI = u"Processing instruction";
inline constexpr std::u16string_view XmlUnterminatedComment = u"Comment";
inline constexpr std::u16string_view XmlUnterminatedDoctype = u"Doctype";
inline constexpr std::u16string_view XmlIncorrectNameChar = u"tag name character";
inline constexpr std::u16string_view XmlIncorrectBang = u"! tag";
inline constexpr std::u16string_view XmlIncorrectComment = u"comment tag";
inline constexpr std::u16string_view XmlIncorrectTag = u"tag";

// The hot paths are inline so that the parser's loop compiles into one piece.

// A name may start with anything but a control character, a blank, a digit or ASCII
// punctuation; of the punctuation only ':' and '_' may start a name ('!', '/', '?' are handled
// before this test).
inline bool XmlCanStartName(char16_t c) {
    if (c >= 0x80) {
        return true;
    }
    if (c <= 0x20 || c == 0x7F || (c >= u'0' && c <= u'9')) {
        return false;
    }
    bool letter = (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z');
    return letter || c == u':' || c == u'_';
}

inline uint32_t XmlTokenizer::Find(char16_t c, uint32_t from) const {
    const char16_t* begin = text_.data();
    const char16_t* end = begin + text_.size();
    if (from >= text_.size()) {
        return XmlTokenizer::NotFound;
    }
    const char16_t* at = FindUnit(begin + from, end, c);
    return at == end ? XmlTokenizer::NotFound : static_cast<uint32_t>(at - begin);
}

inline uint32_t XmlTokenizer::ScanName(uint32_t from) const {
    const char16_t* data = text_.data();
    uint32_t n = static_cast<uint32_t>(text_.size());
    uint32_t p = from;
    while (p < n && !IsXmlNameDelimiter(data[p])) {
        ++p;
    }
    return p;
}

// The closing '>' of a start tag; a quoted attribute value may hold '>'.
inline uint32_t XmlTokenizer::ScanTagEnd(uint32_t from) const {
    const char16_t* data = text_.data();
    const char16_t* end = data + text_.size();
    const char16_t* p = data + from;
    while (true) {
        p = FindAnyOfThree(p, end, u'>', u'"', u'\'');
        if (p == end) {
            return XmlTokenizer::NotFound;
        }
        if (*p == u'>') {
            return static_cast<uint32_t>(p - data);
        }
        // A quote opens a value only right after '=' (blanks between are allowed).
        const char16_t* before = p - 1;
        while (before > data + from && IsXmlSpace(*before)) {
            --before;
        }
        char16_t quote = *p++;
        if (before >= data + from && *before == u'=') {
            p = FindUnit(p, end, quote);
            if (p == end) {
                return XmlTokenizer::NotFound;
            }
            ++p;
        }
    }
}

inline bool XmlTokenizer::Emit(XmlToken& token, XmlTokenKind kind, uint32_t end) {
    token.kind = kind;
    token.start = pos_;
    token.end = end;
    pos_ = end;
    return true;
}

inline bool XmlTokenizer::Next(XmlToken& token) {
    uint32_t n = static_cast<uint32_t>(text_.size());
    if (pos_ >= n) {
        return false;
    }
    token.problem = {};
    if (text_[pos_] != u'<') {
        uint32_t lt = Find(u'<', pos_ + 1);
        if (lt == XmlTokenizer::NotFound) {
            return Emit(token, XmlTokenKind::Text, n);
        }
        if (!skipText_) {
            return Emit(token, XmlTokenKind::Text, lt);
        }
        pos_ = lt;
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
    if (!XmlCanStartName(c)) {
        return Incorrect(token, XmlIncorrectNameChar);
    }
    return StartTag(token);
}

inline bool XmlTokenizer::StartTag(XmlToken& token) {
    uint32_t nameEnd = ScanName(pos_ + 1);
    uint32_t gt = nameEnd < text_.size() && text_[nameEnd] == u'>' ? nameEnd : ScanTagEnd(nameEnd);
    if (gt == XmlTokenizer::NotFound) {
        return Unterminated(token, XmlUnterminatedElement, pos_);
    }
    token.nameEnd = nameEnd;
    bool empty = gt > nameEnd && text_[gt - 1] == u'/';
    return Emit(token, empty ? XmlTokenKind::EmptyTag : XmlTokenKind::StartTag, gt + 1);
}

inline bool XmlTokenizer::EndTag(XmlToken& token) {
    uint32_t nameStart = pos_ + 2;
    uint32_t nameEnd = nameStart + static_cast<uint32_t>(expectedEndName_.size());
    bool expected = !expectedEndName_.empty() && nameEnd <= text_.size() &&
                    text_.substr(nameStart, expectedEndName_.size()) == expectedEndName_ &&
                    (nameEnd == text_.size() || IsXmlNameDelimiter(text_[nameEnd]));
    if (!expected) {
        nameEnd = ScanName(nameStart);
    }
    uint32_t gt = nameEnd < text_.size() && text_[nameEnd] == u'>' ? nameEnd : Find(u'>', nameEnd);
    if (gt == XmlTokenizer::NotFound) {
        return Unterminated(token, XmlUnterminatedEndTag, pos_);
    }
    token.nameEnd = nameEnd;
    token.expectedName = expected;
    return Emit(token, XmlTokenKind::EndTag, gt + 1);
}

} // namespace lumetta
