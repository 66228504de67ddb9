#include "profiles/StructValue.h"

#include <vector>

namespace lumetta {

namespace {

constexpr char16_t HEX_DIGITS[] = u"0123456789ABCDEF";

int digitValue(char16_t c) {
    if (c >= u'0' && c <= u'9') {
        return c - u'0';
    }
    if (c >= u'A' && c <= u'F') {
        return c - u'A' + 10;
    }
    if (c >= u'a' && c <= u'f') {
        return c - u'a' + 10;
    }
    return -1;
}

void appendByte(std::u16string& out, std::uint8_t byte) {
    out.push_back(HEX_DIGITS[byte >> 4]);
    out.push_back(HEX_DIGITS[byte & 0x0F]);
}

} // namespace

std::u16string encodeStructValue(std::span<const std::uint8_t> block) {
    std::u16string out;
    out.reserve(2 * block.size() + 2);
    std::uint8_t sum = 0;
    for (const std::uint8_t byte : block) {
        appendByte(out, byte);
        sum = static_cast<std::uint8_t>(sum + byte);
    }
    appendByte(out, sum);
    return out;
}

bool decodeStructValue(std::u16string_view value, std::span<std::uint8_t> block) {
    if (value.size() != 2 * block.size() + 2) {
        return false;
    }
    std::vector<std::uint8_t> bytes(block.size() + 1);
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        const int high = digitValue(value[2 * i]);
        const int low = digitValue(value[2 * i + 1]);
        if (high < 0 || low < 0) {
            return false;
        }
        bytes[i] = static_cast<std::uint8_t>(high * 16 + low);
    }
    std::uint8_t sum = 0;
    for (std::size_t i = 0; i < block.size(); ++i) {
        sum = static_cast<std::uint8_t>(sum + bytes[i]);
    }
    if (sum != bytes.back()) {
        return false;
    }
    std::copy(bytes.begin(), bytes.end() - 1, block.begin());
    return true;
}

} // namespace lumetta
