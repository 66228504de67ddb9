// Icon files: a directory of images, each a PNG or a bare bitmap with a transparency mask.
// The largest image wins, then the deepest; a broken entry is passed over for the next best.

#include "platform/gfx/ByteReader.h"
#include "platform/gfx/PictureDecoders.h"

#include <algorithm>
#include <string>
#include <vector>

namespace lumetta::gfx::detail {
namespace {

struct IconEntry {
    int width;
    int height;
    int bitCount;
    std::uint32_t size;
    std::uint32_t offset;
};

bool isPng(Bytes b) {
    static constexpr std::uint8_t kSignature[] = {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A};
    return b.size() >= 8 && std::equal(std::begin(kSignature), std::end(kSignature), b.begin());
}

std::vector<IconEntry> readDirectory(ByteReader& r) {
    std::vector<IconEntry> entries;
    unsigned count = r.u16(4);
    for (unsigned i = 0; i < count; ++i) {
        std::size_t at = 6 + std::size_t(i) * 16;
        if (!r.has(at, 16)) {
            break;
        }
        IconEntry e;
        e.width = r.u8(at) == 0 ? 256 : r.u8(at);
        e.height = r.u8(at + 1) == 0 ? 256 : r.u8(at + 1);
        e.bitCount = r.u16(at + 6);
        e.size = r.u32(at + 8);
        e.offset = r.u32(at + 12);
        if (r.has(e.offset, e.size) && e.size > 0) {
            entries.push_back(e);
        }
    }
    return entries;
}

LoadedPicture decodeEntry(Bytes bytes, const IconEntry& e, const PictureLimits& limits) {
    Bytes image = bytes.subspan(e.offset, e.size);
    if (isPng(image)) {
        return decodePng(image, limits);
    }
    return decodeDib(image, image, 0, DibForm::Icon, limits);
}

} // namespace

LoadedPicture decodeIco(Bytes bytes, const PictureLimits& limits) {
    ByteReader r(bytes);
    std::vector<IconEntry> entries = readDirectory(r);
    if (entries.empty()) {
        return pictureFailure(PictureError::Malformed, "icon: no readable entry");
    }
    std::stable_sort(entries.begin(), entries.end(), [](const IconEntry& a, const IconEntry& b) {
        long areaA = long(a.width) * a.height;
        long areaB = long(b.width) * b.height;
        return areaA != areaB ? areaA > areaB : a.bitCount > b.bitCount;
    });
    // A directory may repeat one broken image thousands of times; a few tries are enough.
    constexpr std::size_t kMaxTries = 8;
    LoadedPicture first;
    for (std::size_t i = 0; i < std::min(entries.size(), kMaxTries); ++i) {
        LoadedPicture p = decodeEntry(bytes, entries[i], limits);
        if (p.ok()) {
            return p;
        }
        if (i == 0) {
            first = std::move(p);
        }
    }
    first.detail = "icon: " + first.detail;
    return first;
}

} // namespace lumetta::gfx::detail
