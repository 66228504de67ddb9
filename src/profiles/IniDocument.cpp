#include "profiles/IniDocument.h"

#include "platform/os/Utf16.h"

namespace lumetta {

namespace {

bool isBlank(char16_t c) {
    return c == u' ' || c == u'\t';
}
bool isBreak(char16_t c) {
    return c == u'\r' || c == u'\n';
}

char16_t foldCase(char16_t c) {
    return c >= u'A' && c <= u'Z' ? char16_t(c + 32) : c;
}

bool sameName(std::u16string_view a, std::u16string_view b) {
    if (a.size() != b.size()) {
        return false;
    }
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (foldCase(a[i]) != foldCase(b[i])) {
            return false;
        }
    }
    return true;
}

std::u16string_view trim(std::u16string_view text) {
    while (!text.empty() && isBlank(text.front())) {
        text.remove_prefix(1);
    }
    while (!text.empty() && isBlank(text.back())) {
        text.remove_suffix(1);
    }
    return text;
}

// One line of the text, by offsets: [begin, end) is its content, next the start of the line after
// its break ("\r\n", "\n" or "\r").
struct Line {
    std::size_t begin = 0;
    std::size_t end = 0;
    std::size_t next = 0;
};

Line lineAt(std::u16string_view text, std::size_t begin) {
    Line line{begin, begin, begin};
    while (line.end < text.size() && !isBreak(text[line.end])) {
        ++line.end;
    }
    line.next = line.end;
    if (line.next < text.size() && text[line.next] == u'\r') {
        ++line.next;
    }
    if (line.next < text.size() && text[line.next] == u'\n') {
        ++line.next;
    }
    return line;
}

// What a line means to the lookup.
struct LineMeaning {
    enum class Kind { Blank, Section, Key, Other } kind = Kind::Other;
    std::u16string_view name;   // section or key name, trimmed
    std::size_t valueStart = 0; // first character after "="
};

LineMeaning meaningOf(std::u16string_view text, const Line& line) {
    const std::u16string_view content = text.substr(line.begin, line.end - line.begin);
    const std::u16string_view trimmed = trim(content);
    LineMeaning meaning;
    if (trimmed.empty()) {
        meaning.kind = LineMeaning::Kind::Blank;
    } else if (trimmed.front() == u'[') {
        meaning.kind = LineMeaning::Kind::Section;
        const std::size_t close = trimmed.find(u']');
        meaning.name =
            trim(trimmed.substr(1, close == std::u16string_view::npos ? close : close - 1));
    } else if (trimmed.front() != u';') {
        const std::size_t equals = content.find(u'=');
        if (equals != std::u16string_view::npos) {
            meaning.kind = LineMeaning::Kind::Key;
            meaning.name = trim(content.substr(0, equals));
            meaning.valueStart = line.begin + equals + 1;
        }
    }
    return meaning;
}

// Where a section and a key were found in the text.
struct Location {
    bool sectionFound = false;
    std::size_t sectionEnd = 0; // after the break of the section's last non-blank line
    bool keyFound = false;
    std::size_t valueStart = 0;
    std::size_t valueEnd = 0;
};

Location locate(std::u16string_view text, std::u16string_view section, std::u16string_view key) {
    Location where;
    bool inside = false;
    for (std::size_t pos = 0; pos < text.size();) {
        const Line line = lineAt(text, pos);
        const LineMeaning meaning = meaningOf(text, line);
        pos = line.next;
        if (meaning.kind == LineMeaning::Kind::Section) {
            if (inside) {
                break; // only the first section of a name counts
            }
            inside = sameName(meaning.name, section);
            if (inside) {
                where.sectionFound = true;
                where.sectionEnd = line.next;
            }
            continue;
        }
        if (!inside || meaning.kind == LineMeaning::Kind::Blank) {
            continue;
        }
        where.sectionEnd = line.next;
        if (meaning.kind == LineMeaning::Kind::Key && sameName(meaning.name, key)) {
            where.keyFound = true;
            where.valueStart = meaning.valueStart;
            where.valueEnd = line.end;
            break;
        }
    }
    return where;
}

std::u16string clean(std::u16string_view text) {
    std::u16string out(text.substr(0, text.find(u'\0')));
    for (auto& c : out) {
        if (isBreak(c)) {
            c = u' ';
        }
    }
    return out;
}

std::u16string decodeUtf16(std::span<const std::uint8_t> bytes, bool bigEndian) {
    std::u16string text(bytes.size() / 2, u'\0');
    for (std::size_t i = 0; i < text.size(); ++i) {
        const unsigned first = bytes[2 * i];
        const unsigned second = bytes[2 * i + 1];
        text[i] = static_cast<char16_t>(bigEndian ? (first << 8) | second : (second << 8) | first);
    }
    return text;
}

bool startsWith(std::span<const std::uint8_t> bytes, std::initializer_list<std::uint8_t> mark) {
    return bytes.size() >= mark.size() && std::equal(mark.begin(), mark.end(), bytes.begin());
}

} // namespace

IniDocument IniDocument::fromBytes(std::span<const std::uint8_t> bytes) {
    if (startsWith(bytes, {0xFF, 0xFE})) {
        return IniDocument(decodeUtf16(bytes.subspan(2), false));
    }
    if (startsWith(bytes, {0xFE, 0xFF})) {
        return IniDocument(decodeUtf16(bytes.subspan(2), true));
    }
    if (startsWith(bytes, {0xEF, 0xBB, 0xBF})) {
        bytes = bytes.subspan(3);
    }
    return IniDocument(os::utf8ToUtf16(
        std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size())));
}

std::vector<std::uint8_t> IniDocument::toBytes() const {
    std::vector<std::uint8_t> bytes;
    bytes.reserve(2 + 2 * text_.size());
    bytes.push_back(0xFF);
    bytes.push_back(0xFE);
    for (const char16_t unit : text_) {
        bytes.push_back(static_cast<std::uint8_t>(unit & 0xFF));
        bytes.push_back(static_cast<std::uint8_t>(unit >> 8));
    }
    return bytes;
}

std::optional<std::u16string_view> IniDocument::find(std::u16string_view section,
                                                     std::u16string_view key) const {
    const Location where = locate(text_, section, key);
    if (!where.keyFound) {
        return std::nullopt;
    }
    return trim(
        std::u16string_view(text_).substr(where.valueStart, where.valueEnd - where.valueStart));
}

void IniDocument::set(std::u16string_view section, std::u16string_view key,
                      std::u16string_view value) {
    const std::u16string cleanSection = clean(section);
    const std::u16string cleanKey = clean(key);
    const std::u16string cleanValue = clean(value);
    const Location where = locate(text_, cleanSection, cleanKey);
    if (where.keyFound) {
        text_.replace(where.valueStart, where.valueEnd - where.valueStart, cleanValue);
        return;
    }
    std::u16string added;
    std::size_t at = text_.size();
    if (where.sectionFound) {
        at = where.sectionEnd;
    } else {
        added = u"[" + cleanSection + u"]\r\n";
    }
    added += cleanKey + u"=" + cleanValue + u"\r\n";
    // The line before the insertion point may be the last one of the text, without a break.
    if (at > 0 && !isBreak(text_[at - 1])) {
        added.insert(0, u"\r\n");
    }
    text_.insert(at, added);
}

} // namespace lumetta
