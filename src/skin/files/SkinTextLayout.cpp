#include "skin/files/SkinTextLayout.h"

#include "skin/files/SkinLookup.h"

#include <algorithm>
#include <limits>

namespace lumetta {
namespace {

constexpr std::u16string_view Marker = u"\\r\\n";

int32_t Add(int32_t a, int64_t b) {
    return static_cast<int32_t>(std::clamp<int64_t>(a + b, std::numeric_limits<int32_t>::min(),
                                                    std::numeric_limits<int32_t>::max()));
}

} // namespace

std::u16string ReplaceLineMarkers(std::u16string_view text) {
    std::u16string out;
    out.reserve(text.size());
    size_t at = 0;
    size_t found;
    while ((found = text.find(Marker, at)) != std::u16string_view::npos) {
        out.append(text.substr(at, found - at));
        out += u"\r\n";
        at = found + Marker.size();
    }
    out.append(text.substr(at));
    return out;
}

SkinTextLayout PrepareSkinText(XmlDoc& layout, std::u16string_view text,
                               std::u16string_view section, std::u16string_view key, int32_t dx,
                               int32_t dy, uint32_t format) {
    SkinTextLayout result;
    result.rect = ParseSkinRect(SkinValue(layout, section, key));
    result.rect.left = Add(result.rect.left, dx);
    result.rect.right = Add(result.rect.right, dx);
    result.rect.top = Add(result.rect.top, dy);
    result.rect.bottom = Add(result.rect.bottom, dy);
    result.text = ReplaceLineMarkers(text);
    result.format = format;

    std::u16string face = SkinAttribute(layout, section, key, u"FONT");
    std::u16string size = SkinAttribute(layout, section, key, u"SIZE");
    if (!face.empty() && !size.empty()) {
        std::u16string weight = SkinAttribute(layout, section, key, u"WEIGHT");
        result.font = SkinFont{face, SkinNumber(size), weight.empty() ? 400 : SkinNumber(weight)};
    }
    std::u16string color = SkinAttribute(layout, section, key, u"COLOR");
    if (!color.empty()) {
        result.color = static_cast<uint32_t>(SkinNumber(color));
    }
    return result;
}

SkinTextLayout PrepareSkinString(XmlDoc& layout, XmlDoc& strings, std::u16string_view section,
                                 std::u16string_view key, int32_t dx, int32_t dy, uint32_t format) {
    return PrepareSkinText(layout, SkinValue(strings, section, key), section, key, dx, dy, format);
}

SkinRect CentreVertically(SkinRect rect, int32_t textHeight) {
    int64_t inset = (int64_t(rect.bottom) - rect.top - textHeight) / 2;
    rect.top = Add(rect.top, inset);
    rect.bottom = Add(rect.bottom, -inset);
    return rect;
}

} // namespace lumetta
