#pragma once

#include "platform/gfx/Geometry.h"
#include "platform/gfx/Region.h"
#include "platform/gfx/Surface.h"

#include <filesystem>
#include <optional>

namespace lumetta {

// Decodes the picture file (BMP, JPEG, GIF, ICO, PNG, by content) into picture, replacing what
// it held. Returns 0, or the system's error number when the file cannot be read; a file that
// reads but does not decode returns EINVAL. On failure the picture is left as it was.
int LoadPictureFile(const std::filesystem::path& path, gfx::Surface& picture,
                    gfx::Size* size = nullptr);

// The pixels of picture that are not pure white; none when the picture is empty.
std::optional<gfx::Region> RegionFromMask(const gfx::Surface& picture);

// Replaces target with the rectangle (left, top, right, bottom) of source; does nothing when
// source holds no picture.
void CutImage(gfx::Surface& target, const gfx::Surface* source, const gfx::Rect& rect);

} // namespace lumetta
