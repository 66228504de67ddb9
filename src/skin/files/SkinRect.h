// A control entry of a layout file: "name,x,y,w,h,text,flag".
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace lumetta {

struct SkinRect {
    int32_t left = 0;
    int32_t top = 0;
    int32_t right = 0;  // x + width
    int32_t bottom = 0; // y + height
    std::u16string text;
    int32_t flag = 0;

    int32_t Width() const { return right - left; }
    int32_t Height() const { return bottom - top; }
    bool operator==(const SkinRect&) const = default;
};

// Parses an entry value. Lenient: numbers that cannot be read stay 0, a flag that is not a number
// (skin entries commonly hold "FALSE") reads as 0, an empty value gives an empty SkinRect.
SkinRect ParseSkinRect(std::u16string_view value);

// Reads a decimal integer the way skin values are read: leading blanks skipped, optional sign,
// digits up to the first non-digit; 0 when there are none. Saturates at the 32-bit range.
int32_t SkinNumber(std::u16string_view text);

} // namespace lumetta
