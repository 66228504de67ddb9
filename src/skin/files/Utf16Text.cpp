#include "skin/files/Utf16Text.h"

#include "skin/files/Utf16Scan.h"

#include <algorithm>
#include <cstdint>
#include <cstring>

namespace lumetta {
namespace {

// Length of the well-formed sequence that starts at `i` and its code point; 0 when malformed.
size_t DecodeSequence(std::string_view s, size_t i, char32_t& cp) {
    auto byte = [&](size_t k) { return static_cast<unsigned char>(s[k]); };
    unsigned char lead = byte(i);
    size_t length = 0;
    char32_t min = 0;
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2, cp = lead & 0x1F, min = 0x80;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3, cp = lead & 0x0F, min = 0x800;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4, cp = lead & 0x07, min = 0x10000;
    } else {
        return 0;
    }
    if (s.size() - i < length) {
        return 0;
    }
    for (size_t k = 1; k < length; ++k) {
        unsigned char c = byte(i + k);
        if ((c & 0xC0) != 0x80) {
            return 0;
        }
        cp = (cp << 6) | (c & 0x3F);
    }
    if (cp < min || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) {
        return 0;
    }
    return length;
}

} // namespace

bool AppendUtf8AsUtf16WithoutZeros(std::string_view bytes, std::u16string& out, bool refuseZero) {
    // Converted through a small buffer that stays in the cache and appended from there: growing
    // the string first would clear the whole of it only to overwrite it again.
    constexpr size_t Chunk = 4096;
    char16_t buffer[Chunk + 2];
    out.reserve(out.size() + bytes.size());
    const char* src = bytes.data();
    size_t n = bytes.size();
    size_t i = 0;
    while (i < n) {
        size_t o = 0;
        size_t limit = std::min(n, i + Chunk);
        while (i < limit) {
            size_t ascii = AsciiPrefix(src + i, limit - i, refuseZero);
            WidenAscii(src + i, ascii, buffer + o);
            i += ascii, o += ascii;
            if (i == limit) {
                break;
            }
            if (refuseZero && src[i] == 0) {
                return false;
            }
            char32_t cp = 0;
            size_t length = DecodeSequence(bytes, i, cp);
            if (length == 0) {
                buffer[o++] = u'?', ++i;
            } else if (cp >= 0x10000) {
                cp -= 0x10000;
                buffer[o++] = static_cast<char16_t>(0xD800 + (cp >> 10));
                buffer[o++] = static_cast<char16_t>(0xDC00 + (cp & 0x3FF));
                i += length;
            } else {
                buffer[o++] = static_cast<char16_t>(cp), i += length;
            }
        }
        out.append(buffer, o);
    }
    return true;
}

void AppendUtf8AsUtf16(std::string_view bytes, std::u16string& out) {
    AppendUtf8AsUtf16WithoutZeros(bytes, out, false);
}

std::u16string Utf8ToUtf16(std::string_view bytes) {
    std::u16string out;
    AppendUtf8AsUtf16(bytes, out);
    return out;
}

std::string Utf16ToUtf8(std::u16string_view text) {
    std::string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        char32_t cp = text[i];
        if (cp >= 0xD800 && cp <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 &&
            text[i + 1] <= 0xDFFF) {
            cp = 0x10000 + ((cp - 0xD800) << 10) + (text[i + 1] - 0xDC00);
            ++i;
        } else if (cp >= 0xD800 && cp <= 0xDFFF) {
            cp = U'?';
        }
        if (cp < 0x80) {
            out += static_cast<char>(cp);
        } else if (cp < 0x800) {
            out += static_cast<char>(0xC0 | (cp >> 6));
            out += static_cast<char>(0x80 | (cp & 0x3F));
        } else if (cp < 0x10000) {
            out += static_cast<char>(0xE0 | (cp >> 12));
            out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (cp & 0x3F));
        } else {
            out += static_cast<char>(0xF0 | (cp >> 18));
            out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
            out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (cp & 0x3F));
        }
    }
    return out;
}

bool IsValidUtf8(std::string_view bytes) {
    size_t i = 0;
    while (i < bytes.size()) {
        i += AsciiPrefix(bytes.data() + i, bytes.size() - i);
        if (i == bytes.size()) {
            break;
        }
        char32_t cp = 0;
        size_t length = DecodeSequence(bytes, i, cp);
        if (length == 0) {
            return false;
        }
        i += length;
    }
    return true;
}

} // namespace lumetta
