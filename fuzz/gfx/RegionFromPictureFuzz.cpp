// Region building from pictures, checked against the rule it implements: a pixel is in the
// region exactly when it is not white (or transparent). The first byte chooses between raw
// pixels (width and height from the next two bytes) and a decoded picture.
#include "platform/gfx/Picture.h"
#include "platform/gfx/Region.h"

#include <cstdlib>

namespace {

using namespace lumetta::gfx;

bool outside(Pixel p) {
    return pixelAlpha(p) == 0 || sysColorFromPixel(p) == sysColor(255, 255, 255);
}

Surface rawPicture(const std::uint8_t* data, std::size_t size) {
    if (size < 2) {
        return {};
    }
    int w = 1 + data[0] % 64;
    int h = 1 + data[1] % 64;
    Surface s(w, h);
    std::size_t at = 2;
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            Pixel p = 0;
            if (at + 4 <= size) {
                // Few distinct bytes, so that runs and repeated rows actually occur.
                p = Pixel(data[at]) << 24 | Pixel(data[at + 1]) << 16 | Pixel(data[at + 2]) << 8 |
                    data[at + 3];
                at += 4;
            }
            s.setPixel(x, y, p);
        }
    }
    return s;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 1) {
        return 0;
    }
    Surface picture;
    if (data[0] & 1) {
        picture = std::move(loadPicture({data + 1, size - 1}, PictureLimits{256, 65536}).surface);
    } else {
        picture = rawPicture(data + 1, size - 1);
    }
    Region region = regionFromPicture(picture);
    Rect bounds = region.bounds();
    if (!region.empty() && bounds.intersected(picture.bounds()) != bounds) {
        std::abort();
    }
    for (int y = 0; y < picture.height(); ++y) {
        for (int x = 0; x < picture.width(); ++x) {
            if (region.contains(Point{x, y}) == outside(picture.pixel(x, y))) {
                std::abort();
            }
        }
    }
    return 0;
}
