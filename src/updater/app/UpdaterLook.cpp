#include "updater/app/UpdaterLook.h"

#include "platform/gfx/Picture.h"
#include "skin/files/SkinLookup.h"
#include "skin/widgets/SkinPictures.h"
#include "updater/resources/UpdaterResources.h"

namespace lumetta {

XmlDoc loadUpdaterLayout() {
    XmlDoc layout;
    const auto bytes = findResource("XML", updater_res::kLayout);
    layout.LoadFromMemory(
        std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()));
    layout.ParseText();
    return layout;
}

gfx::Surface loadUpdaterPicture(std::string_view type, int id) {
    gfx::LoadedPicture picture = gfx::loadPicture(findResource(type, id));
    return picture.ok() ? std::move(picture.surface) : gfx::Surface{};
}

std::optional<gfx::Region> updaterMaskRegion(int id) {
    auto region = RegionFromMask(loadUpdaterPicture("BMP", id));
    if (region && region->empty()) {
        return std::nullopt;
    }
    return region;
}

TextPlace readTextPlace(XmlDoc& layout, std::u16string_view key) {
    const SkinRect entry = ParseSkinRect(SkinValue(layout, u"CONFIRM", key));
    TextPlace place;
    place.rect = {entry.left, entry.top, entry.right, entry.bottom};
    const std::u16string color = SkinAttribute(layout, u"CONFIRM", key, u"COLOR");
    if (!color.empty()) {
        place.color = static_cast<gfx::SysColor>(SkinNumber(color));
    }
    return place;
}

} // namespace lumetta
