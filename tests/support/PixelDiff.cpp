#include "support/PixelDiff.h"

#include <algorithm>
#include <cstdlib>

namespace lumetta::test {

using gfx::Pixel;

namespace {

int channelDelta(Pixel a, Pixel b) {
    int worst = 0;
    for (int shift = 0; shift < 32; shift += 8) {
        worst = std::max(worst, std::abs(int((a >> shift) & 0xFF) - int((b >> shift) & 0xFF)));
    }
    return worst;
}

} // namespace

std::string PixelDiff::describe() const {
    if (sizeMismatch) {
        return "sizes differ";
    }
    if (differing == 0) {
        return "pixels match";
    }
    return std::to_string(differing) + " pixels differ, largest channel difference " +
           std::to_string(maxDelta) + ", first at (" + std::to_string(first.x) + ", " +
           std::to_string(first.y) + ")";
}

PixelDiff comparePixels(const gfx::Surface& actual, const gfx::Surface& expected,
                        int channelTolerance) {
    PixelDiff diff;
    if (actual.size() != expected.size()) {
        diff.sizeMismatch = true;
        return diff;
    }
    for (int y = 0; y < actual.height(); ++y) {
        auto a = actual.row(y);
        auto e = expected.row(y);
        for (int x = 0; x < actual.width(); ++x) {
            int d = channelDelta(a[std::size_t(x)], e[std::size_t(x)]);
            diff.maxDelta = std::max(diff.maxDelta, d);
            if (d > channelTolerance) {
                if (diff.differing == 0) {
                    diff.first = {x, y};
                }
                ++diff.differing;
            }
        }
    }
    return diff;
}

gfx::Surface differenceImage(const gfx::Surface& actual, const gfx::Surface& expected,
                             int channelTolerance) {
    int w = std::max(actual.width(), expected.width());
    int h = std::max(actual.height(), expected.height());
    gfx::Surface out(w, h);
    for (int y = 0; y < h; ++y) {
        auto row = out.row(y);
        for (int x = 0; x < w; ++x) {
            bool inA = x < actual.width() && y < actual.height();
            bool inE = x < expected.width() && y < expected.height();
            Pixel a = actual.pixel(x, y);
            Pixel e = expected.pixel(x, y);
            int d = inA && inE ? channelDelta(a, e) : 255;
            if (d > channelTolerance) {
                row[std::size_t(x)] = gfx::makePixel(255, std::uint8_t(std::max(128, d)), 0, 0);
                continue;
            }
            gfx::SysColor c = gfx::sysColorFromPixel(e);
            auto grey =
                std::uint8_t(192 + (gfx::sysRed(c) + gfx::sysGreen(c) + gfx::sysBlue(c)) / 3 / 4);
            row[std::size_t(x)] = gfx::makePixel(255, grey, grey, grey);
        }
    }
    return out;
}

} // namespace lumetta::test
