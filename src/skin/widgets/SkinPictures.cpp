#include "skin/widgets/SkinPictures.h"

#include "platform/gfx/Picture.h"

#include <cerrno>

namespace lumetta {

int LoadPictureFile(const std::filesystem::path& path, gfx::Surface& picture, gfx::Size* size) {
    gfx::LoadedPicture loaded = gfx::loadPictureFile(path);
    if (loaded.error == gfx::PictureError::CannotOpen) {
        return loaded.systemError != 0 ? loaded.systemError : ENOENT;
    }
    if (!loaded.ok() || loaded.surface.empty()) {
        return EINVAL;
    }
    picture = std::move(loaded.surface);
    if (size) {
        *size = picture.size();
    }
    return 0;
}

std::optional<gfx::Region> RegionFromMask(const gfx::Surface& picture) {
    if (picture.empty()) {
        return std::nullopt;
    }
    return gfx::regionFromPicture(picture);
}

void CutImage(gfx::Surface& target, const gfx::Surface* source, const gfx::Rect& rect) {
    if (!source || source->empty()) {
        return;
    }
    target = source->crop(rect);
}

} // namespace lumetta
