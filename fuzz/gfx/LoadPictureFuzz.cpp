// Any bytes through the picture loader: it must refuse or decode, never crash, and what it
// decodes must stay within the limits.
#include "platform/gfx/Picture.h"

#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace lumetta::gfx;
    // Lower limits than the defaults keep each input fast; the checks are the same code.
    const PictureLimits limits{2048, 2048 * 1024};
    LoadedPicture p = loadPicture({data, size}, limits);
    if (p.ok()) {
        if (p.surface.empty() || p.surface.width() > limits.maxSide ||
            p.surface.height() > limits.maxSide ||
            std::int64_t(p.surface.width()) * p.surface.height() > limits.maxPixels) {
            std::abort();
        }
        // Touch the corners so that a short allocation would show.
        volatile Pixel sink =
            p.surface.pixel(0, 0) ^ p.surface.pixel(p.surface.width() - 1, p.surface.height() - 1);
        (void)sink;
    } else if (!p.surface.empty()) {
        std::abort();
    }
    return 0;
}
