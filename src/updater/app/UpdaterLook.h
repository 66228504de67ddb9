#pragma once

#include "platform/gfx/Color.h"
#include "platform/gfx/Region.h"
#include "platform/gfx/Surface.h"
#include "skin/files/SkinRect.h"
#include "skin/files/XmlDoc.h"

#include <optional>
#include <string>

namespace lumetta {

// The embedded layout document 158, parsed.
XmlDoc loadUpdaterLayout();
// An embedded picture ("JPG" or "BMP"); empty when it is missing or does not decode.
gfx::Surface loadUpdaterPicture(std::string_view type, int id);
// The window region of an embedded mask; none when it gives no region.
std::optional<gfx::Region> updaterMaskRegion(int id);

// A text rectangle of the confirmation window with its colour (white when the entry has none).
struct TextPlace {
    gfx::Rect rect;
    gfx::SysColor color = 0xFFFFFF;
};
TextPlace readTextPlace(XmlDoc& layout, std::u16string_view key);

} // namespace lumetta
