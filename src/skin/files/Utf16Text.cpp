#include "skin/files/Utf16Text.h"

#include <cstdint>
#include <cstring>

namespace lumetta {
namespace {

constexpr uint64_t HighBits = 0x8080808080808080ull;

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

bool AsciiBlock(const char* p) {
    uint64_t w;
    std::memcpy(&w, p, sizeof w);
    return (w & HighBits) == 0;
}

} // namespace

void AppendUtf8AsUtf16(std::string_view bytes, std::u16string& out) {
    size_t base = out.size();
    // Never more UTF-16 units than bytes: the tail is trimmed at the end.
    out.resize(base + bytes.size());
    char16_t* dst = out.data() + base;
    const char* src = bytes.data();
    size_t n = bytes.size();
    size_t i = 0;
    size_t o = 0;
    while (i < n) {
        if (n - i >= 8 && AsciiBlock(src + i)) {
            for (size_t k = 0; k < 8; ++k) {
                dst[o + k] = static_cast<unsigned char>(src[i + k]);
            }
            i += 8, o += 8;
            continue;
        }
        unsigned char c = static_cast<unsigned char>(src[i]);
        if (c < 0x80) {
            dst[o++] = c, ++i;
            continue;
        }
        char32_t cp = 0;
        size_t length = DecodeSequence(bytes, i, cp);
        if (length == 0) {
            dst[o++] = u'?', ++i;
        } else if (cp >= 0x10000) {
            cp -= 0x10000;
            dst[o++] = static_cast<char16_t>(0xD800 + (cp >> 10));
            dst[o++] = static_cast<char16_t>(0xDC00 + (cp & 0x3FF));
            i += length;
        } else {
            dst[o++] = static_cast<char16_t>(cp), i += length;
        }
    }
    out.resize(base + o);
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
        if (bytes.size() - i >= 8 && AsciiBlock(bytes.data() + i)) {
            i += 8;
            continue;
        }
        if (static_cast<unsigned char>(bytes[i]) < 0x80) {
            ++i;
            continue;
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
