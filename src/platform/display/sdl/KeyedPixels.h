#pragma once

#include "platform/gfx/Color.h"
#include "platform/gfx/Region.h"
#include "platform/gfx/Surface.h"

namespace lumetta::display {

// The pixels inside area that show the key colour (transparent pixels never do), as a region in
// the surface's coordinates: one rectangle per run, rows with equal runs merged.
gfx::Region keyedPixels(const gfx::Surface& surface, const gfx::Rect& area, gfx::SysColor key);

} // namespace lumetta::display
