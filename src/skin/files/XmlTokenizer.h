// Splits a range of a UTF-16 document into tokens: text, tags, comments, CDATA sections,
// processing instructions and document type declarations. It never fails: a '<' that cannot
// start anything comes back as an Incorrect token one character long (callers treat it as text),
// and a construct that runs into the end of the range comes back as one Unterminated token.
#pragma once

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
};

class XmlTokenizer {
public:
    // Tokens of text[begin, end).
    XmlTokenizer(std::u16string_view text, uint32_t begin, uint32_t end);

    // The next token, or false at the end of the range.
    bool Next(XmlToken& token);

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
    uint32_t pos_;
};

// Name characters end at whitespace and at < > = \ / ? ! " ' ;
bool IsXmlNameDelimiter(char16_t c);
bool IsXmlSpace(char16_t c);

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

} // namespace lumetta
