#pragma once

#include "platform/gfx/Surface.h"

#include <string>

namespace lumetta::test {

// How far two surfaces are apart. Channels are compared in stored (premultiplied) form.
struct PixelDiff {
    bool sizeMismatch = false;
    int differing = 0;        // pixels with a channel further apart than the tolerance
    int maxDelta = 0;         // largest channel difference over all pixels
    gfx::Point first{-1, -1}; // first differing pixel, row by row
    std::string describe() const;
};

PixelDiff comparePixels(const gfx::Surface& actual, const gfx::Surface& expected,
                        int channelTolerance);

// Differing pixels in red (brighter for larger differences), the rest as a faded grey copy
// of the expected picture. Sizes may differ: the larger extent is used.
gfx::Surface differenceImage(const gfx::Surface& actual, const gfx::Surface& expected,
                             int channelTolerance);

} // namespace lumetta::test
