#include "platform/display/sdl/KeyedPixels.h"

#include <vector>

namespace lumetta::display {

namespace {

bool showsKey(gfx::Pixel p, gfx::Pixel opaqueKey, gfx::SysColor key) {
    std::uint8_t a = gfx::pixelAlpha(p);
    if (a == 255) {
        return p == opaqueKey;
    }
    return a != 0 && gfx::sysColorFromPixel(p) == key;
}

} // namespace

gfx::Region keyedPixels(const gfx::Surface& surface, const gfx::Rect& area, gfx::SysColor key) {
    gfx::Rect r = area.intersected(surface.bounds());
    if (r.empty()) {
        return {};
    }
    const gfx::Pixel opaqueKey = gfx::pixelFromSysColor(key);
    std::vector<gfx::Rect> runs;
    for (int y = r.top; y < r.bottom; ++y) {
        auto row = surface.row(y);
        int x = r.left;
        while (x < r.right) {
            if (!showsKey(row[std::size_t(x)], opaqueKey, key)) {
                ++x;
                continue;
            }
            int start = x;
            while (x < r.right && showsKey(row[std::size_t(x)], opaqueKey, key)) {
                ++x;
            }
            runs.push_back({start, y, x, y + 1});
        }
    }
    return gfx::Region::fromRects(runs);
}

} // namespace lumetta::display
