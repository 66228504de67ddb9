#include "skin/files/DecodedXml.h"

#include "skin/files/CodePageNames.h"
#include "skin/files/Utf16Text.h"
#include "skin/files/XmlDoc.h"

#include <algorithm>
#include <bit>
#include <cerrno>
#include <cstring>
#include <iconv.h>

namespace lumetta {
namespace {

constexpr size_t HeadSize = 1024;

struct ByteOrderMark {
    std::string_view bytes;
    std::string_view name;
    uint32_t flag;
};

constexpr ByteOrderMark Marks[] = {
    {"\xEF\xBB\xBF", "UTF-8", XmlDoc::FlagUtf8Bom},
    {"\xFF\xFE", "UTF-16LE", XmlDoc::FlagUtf16Le},
    {"\xFE\xFF", "UTF-16BE", XmlDoc::FlagUtf16Be},
};

class IconvHandle {
public:
    IconvHandle(const char* to, const char* from) : handle_(iconv_open(to, from)) {}
    ~IconvHandle() {
        if (valid()) {
            iconv_close(handle_);
        }
    }
    IconvHandle(const IconvHandle&) = delete;
    IconvHandle& operator=(const IconvHandle&) = delete;
    bool valid() const { return handle_ != reinterpret_cast<iconv_t>(-1); }
    iconv_t get() const { return handle_; }

private:
    iconv_t handle_;
};

void AppendAscii(std::u16string& out, std::string_view ascii) {
    for (char c : ascii) {
        out += static_cast<char16_t>(static_cast<unsigned char>(c));
    }
}

void AppendNumber(std::u16string& out, size_t value) {
    AppendAscii(out, std::to_string(value));
}

char LowerAscii(char c) {
    return (c >= 'A' && c <= 'Z') ? char(c - 'A' + 'a') : c;
}

std::string Lower(std::string_view s) {
    std::string out(s);
    std::transform(out.begin(), out.end(), out.begin(), LowerAscii);
    return out;
}

bool IsSpace(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

// Value of `name` (lower case) in a tag or declaration; quoted or up to a blank or '>'.
std::string_view AttributeValue(std::string_view lowerTag, std::string_view tag,
                                std::string_view name) {
    size_t at = 0;
    while ((at = lowerTag.find(name, at)) != std::string_view::npos) {
        size_t p = at + name.size();
        at = p;
        while (p < tag.size() && IsSpace(tag[p])) {
            ++p;
        }
        if (p >= tag.size() || tag[p] != '=') {
            continue;
        }
        ++p;
        while (p < tag.size() && IsSpace(tag[p])) {
            ++p;
        }
        if (p < tag.size() && (tag[p] == '"' || tag[p] == '\'')) {
            size_t close = tag.find(tag[p], p + 1);
            return tag.substr(p + 1,
                              (close == std::string_view::npos ? tag.size() : close) - p - 1);
        }
        size_t end = p;
        while (end < tag.size() && !IsSpace(tag[end]) && tag[end] != '>') {
            ++end;
        }
        return tag.substr(p, end - p);
    }
    return {};
}

std::string XmlDeclarationEncoding(std::string_view head) {
    if (!head.starts_with("<?xml")) {
        return {};
    }
    std::string_view declaration = head.substr(0, head.find("?>"));
    return std::string(AttributeValue(Lower(declaration), declaration, "encoding"));
}

std::string HtmlMetaCharset(std::string_view head) {
    std::string lower = Lower(head);
    size_t html = lower.find("<html");
    size_t headTag = html == std::string::npos ? html : lower.find("<head", html);
    if (headTag == std::string::npos) {
        return {};
    }
    for (size_t meta = lower.find("<meta", headTag); meta != std::string::npos;
         meta = lower.find("<meta", meta + 1)) {
        size_t end = std::min(lower.find('>', meta), lower.size());
        std::string_view tag = head.substr(meta, end - meta);
        std::string_view lowerTag = std::string_view(lower).substr(meta, end - meta);
        if (Lower(AttributeValue(lowerTag, tag, "http-equiv")) != "content-type") {
            continue;
        }
        std::string_view content = AttributeValue(lowerTag, tag, "content");
        size_t charset = Lower(content).find("charset=");
        if (charset == std::string::npos) {
            continue;
        }
        std::string_view name = content.substr(charset + 8);
        size_t stop = 0;
        while (stop < name.size() && !IsSpace(name[stop]) && name[stop] != ';' &&
               name[stop] != '"' && name[stop] != '\'') {
            ++stop;
        }
        if (stop > 0) {
            return std::string(name.substr(0, stop));
        }
    }
    return {};
}

// UTF-16 without a mark, recognised by a '<' next to a zero byte at the start.
bool LooksLikeUtf16(std::string_view head, bool& bigEndian) {
    if (head.size() < 4) {
        return false;
    }
    if (head[0] == '<' && head[1] == 0 && head[2] != 0 && head[3] == 0) {
        bigEndian = false;
        return true;
    }
    if (head[0] == 0 && head[1] == '<' && head[2] == 0 && head[3] != 0) {
        bigEndian = true;
        return true;
    }
    return false;
}

size_t DecodeUtf16(std::string_view bytes, bool bigEndian, std::u16string& out) {
    size_t units = bytes.size() / 2;
    out.resize(units);
    const auto* src = reinterpret_cast<const unsigned char*>(bytes.data());
    size_t o = 0;
    for (size_t i = 0; i < units; ++i) {
        unsigned hi = src[2 * i + (bigEndian ? 0 : 1)];
        unsigned lo = src[2 * i + (bigEndian ? 1 : 0)];
        char16_t unit = static_cast<char16_t>((hi << 8) | lo);
        out[o] = unit;
        o += unit != 0;
    }
    out.resize(o);
    return units - o;
}

bool ConvertWithIconv(std::string_view bytes, std::string_view encoding, std::u16string& result) {
    const char* native = std::endian::native == std::endian::little ? "UTF-16LE" : "UTF-16BE";
    IconvHandle converter(native, std::string(encoding).c_str());
    if (!converter.valid()) {
        return false;
    }
    std::u16string out(bytes.size() + 16, u'\0');
    char* in = const_cast<char*>(bytes.data());
    size_t inLeft = bytes.size();
    size_t produced = 0;
    auto write = [&](bool flush) {
        char* dst = reinterpret_cast<char*>(out.data() + produced);
        size_t outLeft = (out.size() - produced) * 2;
        size_t rc = flush ? iconv(converter.get(), nullptr, nullptr, &dst, &outLeft)
                          : iconv(converter.get(), &in, &inLeft, &dst, &outLeft);
        produced = out.size() - outLeft / 2;
        return rc == static_cast<size_t>(-1) ? errno : 0;
    };
    while (true) {
        int error = write(false);
        if (error == 0) {
            break;
        }
        if (error == E2BIG || out.size() - produced < 2) {
            out.resize(out.size() * 2 + 16);
            continue;
        }
        // A byte the code page does not define, or a sequence cut off at the end.
        out[produced++] = u'?';
        if (error != EILSEQ || inLeft == 0) {
            break;
        }
        ++in, --inLeft;
    }
    while (write(true) == E2BIG) {
        out.resize(out.size() * 2 + 16);
    }
    result.append(out, 0, produced);
    return true;
}

// Bytes as Latin-1: the last resort when no converter can be opened at all.
void AppendWidened(std::string_view bytes, std::u16string& out) {
    for (char c : bytes) {
        out += static_cast<char16_t>(static_cast<unsigned char>(c));
    }
}

} // namespace

std::string DeclaredEncoding(std::string_view head) {
    std::string name = XmlDeclarationEncoding(head);
    return name.empty() ? HtmlMetaCharset(head) : name;
}

void AppendConverted(std::string_view bytes, std::string_view encoding, std::u16string& out) {
    uint32_t codePage = encoding.empty() ? AnsiCodePage : CodePageFromName(encoding);
    // A declaration of UTF-16 or UTF-32 that could be read as 8-bit text is wrong about the
    // file; its bytes are read as UTF-8.
    if (IsUnicodeCodePage(codePage)) {
        AppendUtf8AsUtf16(bytes, out);
        return;
    }
    std::string_view converter = IconvNameOf(codePage);
    if (!converter.empty() && ConvertWithIconv(bytes, converter, out)) {
        return;
    }
    if (!ConvertWithIconv(bytes, IconvNameOf(AnsiCodePage), out)) {
        AppendWidened(bytes, out);
    }
}

std::u16string ConvertToUtf16(std::string_view bytes, std::string_view encoding) {
    std::u16string out;
    AppendConverted(bytes, encoding, out);
    return out;
}

void DecodeXmlBytes(std::string_view bytes, DecodedXml& result) {
    result.text.clear();
    result.report.clear();
    result.flags = 0;
    std::string_view head = bytes.substr(0, HeadSize);
    std::string name;
    bool mark = false;
    bool wide = false;
    bool bigEndian = false;
    for (const ByteOrderMark& bom : Marks) {
        if (head.starts_with(bom.bytes)) {
            name = bom.name;
            mark = true;
            result.flags = bom.flag;
            bytes.remove_prefix(bom.bytes.size());
            wide = bom.flag != XmlDoc::FlagUtf8Bom;
            bigEndian = bom.flag == XmlDoc::FlagUtf16Be;
            break;
        }
    }
    if (!mark && LooksLikeUtf16(head, bigEndian)) {
        wide = true;
        name = bigEndian ? "UTF-16BE" : "UTF-16LE";
    }
    if (name.empty()) {
        name = DeclaredEncoding(head);
    }
    if (name.empty() && head.starts_with('<')) {
        name = "UTF-8";
    }
    bool named = !name.empty();

    std::u16string details;
    bool detected = false;
    if (bytes.empty()) {
        details = u"0 length ";
    } else if (wide) {
        size_t nulls = DecodeUtf16(bytes, bigEndian, result.text);
        details = u"length ";
        AppendNumber(details, bytes.size() / 2);
        details += u" ";
        if (nulls > 0) {
            details += u"(";
            AppendNumber(details, nulls);
            details += u" nulls removed) ";
        }
        if (bigEndian) {
            details += u"endian swap ";
        }
    } else {
        std::string withoutNulls;
        std::string_view text = bytes;
        // The common case, a named UTF-8 file without zero bytes, takes one pass over the bytes.
        bool converted = named && IsUnicodeCodePage(CodePageFromName(name)) &&
                         AppendUtf8AsUtf16WithoutZeros(bytes, result.text, true);
        if (!converted) {
            result.text.clear();
        }
        if (!converted && std::memchr(bytes.data(), 0, bytes.size()) != nullptr) {
            withoutNulls.reserve(bytes.size());
            std::copy_if(bytes.begin(), bytes.end(), std::back_inserter(withoutNulls),
                         [](char c) { return c != 0; });
            text = withoutNulls;
        }
        if (!named && IsValidUtf8(text)) {
            name = "UTF-8";
            detected = true;
        }
        if (!converted) {
            AppendConverted(text, name, result.text);
        }
        details = u"length ";
        AppendNumber(details, bytes.size());
        details += u" ";
        if (text.size() != bytes.size()) {
            details += u"(";
            AppendNumber(details, bytes.size() - text.size());
            details += u" nulls removed) ";
        }
        if (!named) {
            details += u"(used UTF-8 detection) ";
        }
        details += u"to ";
        AppendNumber(details, result.text.size());
        details += u" wide chars ";
    }

    if (named) {
        result.report = Utf8ToUtf16(name);
        result.report += mark ? u" BOM + " : u" ";
    } else {
        result.report = detected ? u"UTF-8 " : u"ANSI ";
    }
    result.report += details;
}

} // namespace lumetta
