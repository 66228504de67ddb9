// Turns the bytes of an XML file into the document's UTF-16 text: byte-order marks, the
// encoding named by an XML declaration or an HTML meta tag, UTF-8 detection, and conversion from
// other code pages through iconv.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace lumetta {

struct DecodedXml {
    std::u16string text;
    std::u16string report; // the load part of XmlDoc::LoadReport()
    uint32_t flags = 0;    // XmlDoc::FlagUtf8Bom, FlagUtf16Le or FlagUtf16Be when a mark was seen
};

// Decodes into `result`, whose text buffer is reused: a document loaded again and again does not
// allocate again.
void DecodeXmlBytes(std::string_view bytes, DecodedXml& result);

// The encoding named at the start of a file: the `encoding` of an XML declaration at offset 0,
// or the charset of an HTML head's Content-Type meta tag; empty when there is none.
std::string DeclaredEncoding(std::string_view head);

// Converts 8-bit text in the named encoding (empty: the ANSI code page) to UTF-16 and appends it.
void AppendConverted(std::string_view bytes, std::string_view encoding, std::u16string& out);
std::u16string ConvertToUtf16(std::string_view bytes, std::string_view encoding);

} // namespace lumetta
