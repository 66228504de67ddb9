#include "platform/gfx/Region.h"
#include "platform/gfx/Surface.h"

#include <vector>

namespace lumetta::gfx {
namespace {

bool isOutside(Pixel p) {
    // White in premultiplied form is 0xFFFFFFFF; anything with alpha 0 is transparent.
    return p == 0xFFFFFFFFu || pixelAlpha(p) == 0 ||
           sysColorFromPixel(p) == sysColor(255, 255, 255);
}

struct Run {
    int left;
    int right;
    friend bool operator==(const Run&, const Run&) = default;
};

void runsOfRow(std::span<const Pixel> row, std::vector<Run>& runs) {
    runs.clear();
    int n = int(row.size());
    int x = 0;
    while (x < n) {
        while (x < n && isOutside(row[std::size_t(x)])) {
            ++x;
        }
        if (x == n) {
            break;
        }
        int start = x;
        while (x < n && !isOutside(row[std::size_t(x)])) {
            ++x;
        }
        runs.push_back({start, x});
    }
}

void emitBand(const std::vector<Run>& runs, int top, int bottom, std::vector<Rect>& out) {
    for (const Run& r : runs) {
        out.push_back({r.left, top, r.right, bottom});
    }
}

} // namespace

Region regionFromPicture(const Surface& picture) {
    std::vector<Rect> rects;
    std::vector<Run> band;
    std::vector<Run> current;
    int bandTop = 0;
    for (int y = 0; y < picture.height(); ++y) {
        runsOfRow(picture.row(y), current);
        if (y > 0 && current == band) {
            continue;
        }
        emitBand(band, bandTop, y, rects);
        band.swap(current);
        bandTop = y;
    }
    emitBand(band, bandTop, picture.height(), rects);
    return Region::fromRects(rects);
}

} // namespace lumetta::gfx
