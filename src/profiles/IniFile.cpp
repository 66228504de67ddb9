#include "profiles/IniFile.h"

#include "platform/os/DurableFile.h"
#include "platform/os/UniqueFd.h"
#include "platform/os/Utf16.h"
#include "profiles/StructValue.h"

#include <fcntl.h>
#include <unistd.h>

#include <cstdint>

namespace lumetta {

namespace {

int digitIn(char16_t c, unsigned base) {
    unsigned value = 99;
    if (c >= u'0' && c <= u'9') {
        value = c - u'0';
    } else if (c >= u'a' && c <= u'z') {
        value = c - u'a' + 10;
    } else if (c >= u'A' && c <= u'Z') {
        value = c - u'A' + 10;
    }
    return value < base ? static_cast<int>(value) : -1;
}

// The platform's integer reading: optional sign, then "0x", "0o" or "0b" for another base, then
// digits up to the first one that does not belong. Wraps around like a 32-bit register.
int parseInt(std::u16string_view text) {
    std::size_t pos = 0;
    bool negative = false;
    if (pos < text.size() && (text[pos] == u'-' || text[pos] == u'+')) {
        negative = text[pos] == u'-';
        ++pos;
    }
    unsigned base = 10;
    if (pos + 1 < text.size() && text[pos] == u'0') {
        const char16_t marker = static_cast<char16_t>(text[pos + 1] | 0x20);
        base = marker == u'x' ? 16 : marker == u'o' ? 8 : marker == u'b' ? 2 : 10;
        if (base != 10) {
            pos += 2;
        }
    }
    std::uint32_t value = 0;
    for (; pos < text.size(); ++pos) {
        const int digit = digitIn(text[pos], base);
        if (digit < 0) {
            break;
        }
        value = value * base + static_cast<std::uint32_t>(digit);
    }
    if (negative) {
        value = 0u - value;
    }
    return static_cast<int>(value);
}

} // namespace

std::u16string iniString(const IniDocument& document, std::u16string_view section,
                         std::u16string_view key, std::u16string_view fallback) {
    const auto value = document.find(section, key);
    std::u16string_view text = value ? *value : fallback;
    text = text.substr(0, text.find(u'\0'));
    return std::u16string(os::cutUtf16(text, IniFile::MAX_STRING_UNITS));
}

int iniInt(const IniDocument& document, std::u16string_view section, std::u16string_view key,
           int fallback) {
    const auto value = document.find(section, key);
    if (!value || value->empty()) {
        return fallback;
    }
    return parseInt(*value);
}

bool iniStruct(const IniDocument& document, std::u16string_view section, std::u16string_view key,
               std::span<std::uint8_t> block) {
    const auto value = document.find(section, key);
    return value && decodeStructValue(*value, block);
}

std::u16string iniIntText(int value) {
    const std::string digits = std::to_string(value);
    return std::u16string(digits.begin(), digits.end());
}

bool IniFile::ensureExists() const {
    if (path_.empty()) {
        return false;
    }
    os::UniqueFd fd(::open(path_.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666));
    if (!fd) {
        return errno == EEXIST;
    }
    const std::uint8_t mark[] = {0xFF, 0xFE};
    return ::write(fd.get(), mark, sizeof mark) == static_cast<ssize_t>(sizeof mark) &&
           ::fsync(fd.get()) == 0;
}

std::optional<IniDocument> IniFile::load() const {
    if (path_.empty()) {
        return std::nullopt;
    }
    const os::FileContent content = os::readFileLimited(path_, MAX_FILE_BYTES);
    switch (content.status) {
    case os::FileContent::Status::Ok:
        return IniDocument::fromBytes(content.bytes);
    case os::FileContent::Status::Missing:
        return IniDocument();
    default:
        return std::nullopt;
    }
}

bool IniFile::save(const IniDocument& document) const {
    if (path_.empty()) {
        return false;
    }
    const std::vector<std::uint8_t> bytes = document.toBytes();
    return !os::replaceFileDurably(path_, bytes);
}

std::u16string IniFile::readString(std::u16string_view section, std::u16string_view key,
                                   std::u16string_view fallback) const {
    const auto document = load();
    return iniString(document ? *document : IniDocument(), section, key, fallback);
}

int IniFile::readInt(std::u16string_view section, std::u16string_view key, int fallback) const {
    const auto document = load();
    return document ? iniInt(*document, section, key, fallback) : fallback;
}

bool IniFile::readStruct(std::u16string_view section, std::u16string_view key,
                         std::span<std::uint8_t> block) const {
    const auto document = load();
    return document && iniStruct(*document, section, key, block);
}

bool IniFile::update(std::u16string_view section, std::u16string_view key,
                     std::u16string_view value) const {
    auto document = load();
    if (!document) {
        return false;
    }
    document->set(section, key, value);
    return save(*document);
}

bool IniFile::writeString(std::u16string_view section, std::u16string_view key,
                          std::u16string_view value) const {
    return update(section, key, value);
}

bool IniFile::writeInt(std::u16string_view section, std::u16string_view key, int value) const {
    return update(section, key, iniIntText(value));
}

bool IniFile::writeStruct(std::u16string_view section, std::u16string_view key,
                          std::span<const std::uint8_t> block) const {
    return update(section, key, encodeStructValue(block));
}

} // namespace lumetta
