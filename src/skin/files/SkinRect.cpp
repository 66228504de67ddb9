#include "skin/files/SkinRect.h"

#include <algorithm>
#include <cstdint>
#include <limits>
#include <optional>

namespace lumetta {
namespace {

bool IsBlank(char16_t c) {
    return c == u' ' || c == u'\t' || c == u'\r' || c == u'\n';
}

int32_t Saturate(int64_t value) {
    return static_cast<int32_t>(std::clamp<int64_t>(value, std::numeric_limits<int32_t>::min(),
                                                    std::numeric_limits<int32_t>::max()));
}

// One "%d" conversion at `p`: blanks, sign, at least one digit. Advances `p` past it.
std::optional<int32_t> ReadNumber(std::u16string_view text, size_t& p) {
    size_t i = p;
    while (i < text.size() && IsBlank(text[i])) {
        ++i;
    }
    bool negative = false;
    if (i < text.size() && (text[i] == u'-' || text[i] == u'+')) {
        negative = text[i] == u'-';
        ++i;
    }
    size_t digits = i;
    int64_t value = 0;
    while (i < text.size() && text[i] >= u'0' && text[i] <= u'9') {
        value = std::min<int64_t>(value * 10 + (text[i] - u'0'), int64_t(1) << 40);
        ++i;
    }
    if (i == digits) {
        return std::nullopt;
    }
    p = i;
    return Saturate(negative ? -value : value);
}

} // namespace

int32_t SkinNumber(std::u16string_view text) {
    size_t p = 0;
    return ReadNumber(text, p).value_or(0);
}

SkinRect ParseSkinRect(std::u16string_view value) {
    SkinRect rect;
    size_t firstComma = value.find(u',');
    if (firstComma == std::u16string_view::npos) {
        return rect;
    }
    // x, y, w, h as "%d,%d,%d,%d": reading stops at the first field that is not a number or
    // is not followed by a comma; fields not read count as 0.
    int32_t numbers[4] = {0, 0, 0, 0};
    size_t p = firstComma + 1;
    for (int i = 0; i < 4; ++i) {
        std::optional<int32_t> number = ReadNumber(value, p);
        if (!number) {
            break;
        }
        numbers[i] = *number;
        if (i < 3 && (p >= value.size() || value[p] != u',')) {
            break;
        }
        ++p;
    }
    rect.left = numbers[0];
    rect.top = numbers[1];
    rect.right = Saturate(int64_t(numbers[0]) + numbers[2]);
    rect.bottom = Saturate(int64_t(numbers[1]) + numbers[3]);

    size_t lastComma = value.rfind(u',');
    rect.flag = SkinNumber(value.substr(lastComma + 1));
    if (lastComma > firstComma) {
        size_t before = value.rfind(u',', lastComma - 1);
        rect.text = value.substr(before + 1, lastComma - before - 1);
    }
    return rect;
}

} // namespace lumetta
