// Device-independent bitmaps: the file form ("BM" + file header) and the bare form inside icons.
// Every read is checked against the buffer; a palette index past the palette reads as black.

#include "platform/gfx/ByteReader.h"
#include "platform/gfx/PictureDecoders.h"

#include <array>
#include <bit>
#include <cstdlib>
#include <string>

namespace lumetta::gfx::detail {
namespace {

enum Compression : std::uint32_t {
    kRgb = 0,
    kRle8 = 1,
    kRle4 = 2,
    kBitfields = 3,
    kAlphaBitfields = 6,
};

struct Channel {
    std::uint32_t mask = 0;
    int shift = 0;
    std::uint32_t max = 0;

    explicit Channel(std::uint32_t m = 0) : mask(m) {
        if (m != 0) {
            shift = std::countr_zero(m);
            max = m >> shift;
        }
    }
    std::uint8_t extract(std::uint32_t value) const {
        if (max == 0) {
            return 0;
        }
        std::uint64_t v = (value & mask) >> shift;
        return std::uint8_t((v * 255 + max / 2) / max);
    }
};

struct DibHeader {
    std::uint32_t headerSize = 0;
    std::int64_t width = 0;
    std::int64_t height = 0; // rows of the colour image, always positive here
    bool topDown = false;
    int bitCount = 0;
    std::uint32_t compression = kRgb;
    std::uint32_t colorsUsed = 0;
    Channel red, green, blue, alpha;
    bool core = false;        // 12-byte header: 16-bit sizes, 3-byte palette entries
    std::size_t tableEnd = 0; // offset after header and masks, where the palette starts
};

struct Palette {
    std::array<Pixel, 256> colors{};
    int count = 0;

    Pixel at(unsigned index) const {
        return index < unsigned(count) ? colors[index] : makePixel(255, 0, 0, 0);
    }
};

bool readHeader(ByteReader& r, DibForm form, DibHeader& h, std::string& error) {
    h.headerSize = r.u32(0);
    std::int64_t rawHeight = 0;
    if (h.headerSize == 12) {
        h.core = true;
        h.width = r.u16(4);
        rawHeight = r.u16(6);
        h.bitCount = r.u16(10);
    } else if (h.headerSize >= 16 && h.headerSize <= 124) {
        h.width = r.i32(4);
        rawHeight = r.i32(8);
        h.bitCount = r.u16(14);
        h.compression = h.headerSize >= 20 ? r.u32(16) : kRgb;
        h.colorsUsed = h.headerSize >= 36 ? r.u32(32) : 0;
    } else {
        error = "unsupported header size " + std::to_string(h.headerSize);
        return false;
    }
    if (r.overrun()) {
        error = "truncated header";
        return false;
    }
    h.topDown = rawHeight < 0;
    h.height = std::llabs(rawHeight);
    if (form == DibForm::Icon) {
        h.height /= 2;
    }
    h.tableEnd = h.headerSize;
    if (h.bitCount == 16) {
        h.red = Channel(0x7C00);
        h.green = Channel(0x03E0);
        h.blue = Channel(0x001F);
    } else if (h.bitCount == 32) {
        h.red = Channel(0x00FF0000);
        h.green = Channel(0x0000FF00);
        h.blue = Channel(0x000000FF);
    }
    bool fields = h.compression == kBitfields || h.compression == kAlphaBitfields;
    if (fields && (h.bitCount == 16 || h.bitCount == 32)) {
        // Short headers keep the masks right after themselves; longer ones hold them inside.
        std::size_t at = 40;
        h.red = Channel(r.u32(at));
        h.green = Channel(r.u32(at + 4));
        h.blue = Channel(r.u32(at + 8));
        bool hasAlpha = h.compression == kAlphaBitfields || h.headerSize >= 56;
        h.alpha = Channel(hasAlpha ? r.u32(at + 12) : 0);
        if (h.headerSize <= 40) {
            h.tableEnd = 40 + (h.compression == kAlphaBitfields ? 16 : 12);
        }
        if (r.overrun()) {
            error = "truncated colour masks";
            return false;
        }
    }
    return true;
}

bool validate(const DibHeader& h, std::string& error) {
    if (h.width <= 0 || h.height <= 0) {
        error = "empty picture";
        return false;
    }
    switch (h.bitCount) {
    case 1:
    case 4:
    case 8:
    case 24:
        break;
    case 16:
    case 32:
        if (h.core) {
            error = "bit depth not allowed with this header";
            return false;
        }
        break;
    default:
        error = "unsupported bit depth " + std::to_string(h.bitCount);
        return false;
    }
    bool ok = false;
    switch (h.compression) {
    case kRgb:
        ok = true;
        break;
    case kRle8:
        ok = h.bitCount == 8;
        break;
    case kRle4:
        ok = h.bitCount == 4;
        break;
    case kBitfields:
    case kAlphaBitfields:
        ok = h.bitCount == 16 || h.bitCount == 32;
        break;
    default:
        break;
    }
    if (!ok) {
        error = "unsupported compression " + std::to_string(h.compression) + " at depth " +
                std::to_string(h.bitCount);
    }
    return ok;
}

Palette readPalette(ByteReader& r, const DibHeader& h) {
    Palette p;
    if (h.bitCount > 8) {
        return p;
    }
    std::uint32_t wanted = h.colorsUsed == 0 ? (1u << h.bitCount) : h.colorsUsed;
    int count = int(std::min<std::uint32_t>(wanted, 256));
    std::size_t entry = h.core ? 3 : 4;
    for (int i = 0; i < count; ++i) {
        std::size_t at = h.tableEnd + std::size_t(i) * entry;
        if (!r.has(at, 3)) {
            break;
        }
        p.colors[std::size_t(i)] = makePixel(255, r.u8(at + 2), r.u8(at + 1), r.u8(at));
        p.count = i + 1;
    }
    return p;
}

std::size_t paletteBytes(const DibHeader& h) {
    if (h.bitCount > 8) {
        return 0;
    }
    std::uint32_t wanted = h.colorsUsed == 0 ? (1u << h.bitCount) : h.colorsUsed;
    return std::size_t(std::min<std::uint32_t>(wanted, 256)) * (h.core ? 3 : 4);
}

std::int64_t strideOf(std::int64_t width, int bitCount) {
    return ((width * bitCount + 31) / 32) * 4;
}

int surfaceRow(const DibHeader& h, std::int64_t fileRow) {
    return int(h.topDown ? fileRow : h.height - 1 - fileRow);
}

// How the alpha of 32-bit pixels is taken: many writers leave the fourth byte zero, which
// would make the whole picture invisible, so an all-zero alpha means "opaque".
bool usesAlpha(const DibHeader& h, Bytes data, std::int64_t stride) {
    if (h.bitCount != 32) {
        return false;
    }
    if (h.compression == kBitfields || h.compression == kAlphaBitfields) {
        if (h.alpha.mask == 0) {
            return false;
        }
    }
    Channel a = h.compression == kRgb ? Channel(0xFF000000u) : h.alpha;
    for (std::int64_t y = 0; y < h.height; ++y) {
        const std::uint8_t* row = data.data() + y * stride;
        for (std::int64_t x = 0; x < h.width; ++x) {
            const std::uint8_t* p = row + x * 4;
            std::uint32_t v = p[0] | (p[1] << 8) | (p[2] << 16) | (std::uint32_t(p[3]) << 24);
            if (a.extract(v) != 0) {
                return true;
            }
        }
    }
    return false;
}

Pixel decodeTrueColor(const DibHeader& h, const std::uint8_t* p, bool alpha) {
    if (h.bitCount == 24) {
        return makePixel(255, p[2], p[1], p[0]);
    }
    std::uint32_t v = h.bitCount == 16
                          ? std::uint32_t(p[0] | (p[1] << 8))
                          : p[0] | (p[1] << 8) | (p[2] << 16) | (std::uint32_t(p[3]) << 24);
    std::uint8_t a = 255;
    if (alpha) {
        a = h.compression == kRgb ? p[3] : h.alpha.extract(v);
    }
    return premultiply(a, h.red.extract(v), h.green.extract(v), h.blue.extract(v));
}

void decodeRows(const DibHeader& h, const Palette& palette, Bytes data, std::int64_t stride,
                Surface& out) {
    bool alpha = usesAlpha(h, data, stride);
    for (std::int64_t fileRow = 0; fileRow < h.height; ++fileRow) {
        const std::uint8_t* src = data.data() + fileRow * stride;
        auto dst = out.row(surfaceRow(h, fileRow));
        for (std::int64_t x = 0; x < h.width; ++x) {
            Pixel px = 0;
            switch (h.bitCount) {
            case 1:
                px = palette.at((src[x >> 3] >> (7 - (x & 7))) & 1);
                break;
            case 4:
                px = palette.at((src[x >> 1] >> ((x & 1) != 0 ? 0 : 4)) & 0xF);
                break;
            case 8:
                px = palette.at(src[x]);
                break;
            default:
                px = decodeTrueColor(h, src + x * (h.bitCount / 8), alpha);
                break;
            }
            dst[std::size_t(x)] = px;
        }
    }
}

// Run-length streams. Pixels the stream skips (deltas, early line ends) stay transparent.
class RleDecoder {
public:
    RleDecoder(const DibHeader& h, const Palette& palette, Bytes data, Surface& out)
        : h_(h), palette_(palette), r_(data), out_(out) {}

    void run() {
        std::size_t at = 0;
        while (y_ < h_.height && r_.has(at, 2)) {
            unsigned count = r_.u8(at);
            unsigned value = r_.u8(at + 1);
            at += 2;
            if (count > 0) {
                encoded(count, value);
                continue;
            }
            if (value == 0) {
                x_ = 0;
                ++y_;
            } else if (value == 1) {
                return;
            } else if (value == 2) {
                if (!r_.has(at, 2)) {
                    return;
                }
                x_ += r_.u8(at);
                y_ += r_.u8(at + 1);
                at += 2;
            } else {
                at = absolute(at, value);
            }
        }
    }

private:
    void put(unsigned index) {
        if (x_ < h_.width && y_ < h_.height) {
            out_.row(surfaceRow(h_, y_))[std::size_t(x_)] = palette_.at(index);
        }
        ++x_;
    }

    void encoded(unsigned count, unsigned value) {
        for (unsigned i = 0; i < count && x_ < h_.width; ++i) {
            put(h_.bitCount == 8 ? value : ((i & 1) == 0 ? value >> 4 : value & 0xF));
        }
    }

    std::size_t absolute(std::size_t at, unsigned count) {
        std::size_t bytes = h_.bitCount == 8 ? count : (count + 1) / 2;
        for (unsigned i = 0; i < count; ++i) {
            std::size_t byteAt = at + (h_.bitCount == 8 ? i : i / 2);
            if (!r_.has(byteAt, 1)) {
                break;
            }
            unsigned b = r_.u8(byteAt);
            put(h_.bitCount == 8 ? b : ((i & 1) == 0 ? b >> 4 : b & 0xF));
        }
        return at + bytes + (bytes & 1); // runs are padded to 16 bits
    }

    const DibHeader& h_;
    const Palette& palette_;
    ByteReader r_;
    Surface& out_;
    std::int64_t x_ = 0;
    std::int64_t y_ = 0;
};

// An icon's 1-bit mask below the colour rows: set bits are transparent.
void applyIconMask(const DibHeader& h, Bytes mask, Surface& out) {
    std::int64_t stride = strideOf(h.width, 1);
    if (std::int64_t(mask.size()) < stride * h.height) {
        return; // no complete mask: the picture stays opaque
    }
    for (std::int64_t fileRow = 0; fileRow < h.height; ++fileRow) {
        const std::uint8_t* src = mask.data() + fileRow * stride;
        auto dst = out.row(surfaceRow(h, fileRow));
        for (std::int64_t x = 0; x < h.width; ++x) {
            if (((src[x >> 3] >> (7 - (x & 7))) & 1) != 0) {
                dst[std::size_t(x)] = 0;
            }
        }
    }
}

bool anyAlpha(const Surface& s) {
    for (int y = 0; y < s.height(); ++y) {
        for (Pixel p : s.row(y)) {
            if (pixelAlpha(p) != 255) {
                return true;
            }
        }
    }
    return false;
}

} // namespace

LoadedPicture decodeDib(Bytes dib, Bytes whole, std::size_t pixelOffset, DibForm form,
                        const PictureLimits& limits) {
    ByteReader r(dib);
    DibHeader h;
    std::string error;
    if (!readHeader(r, form, h, error) || !validate(h, error)) {
        return pictureFailure(PictureError::Malformed, "bitmap: " + error);
    }
    if (checkDimensions(h.width, h.height, limits) != PictureError::None) {
        return pictureFailure(PictureError::TooLarge, "bitmap: " + std::to_string(h.width) + "x" +
                                                          std::to_string(h.height));
    }
    Palette palette = readPalette(r, h);
    if (form == DibForm::Icon || pixelOffset == 0) {
        pixelOffset = std::size_t(whole.size() - dib.size()) + h.tableEnd + paletteBytes(h);
    }
    if (pixelOffset > whole.size()) {
        return pictureFailure(PictureError::Malformed, "bitmap: pixel data outside the file");
    }
    Bytes data = whole.subspan(pixelOffset);
    std::int64_t stride = strideOf(h.width, h.bitCount);
    bool rle = h.compression == kRle8 || h.compression == kRle4;
    // The last row may lack its padding; everything before it must be there.
    std::int64_t needed = stride * (h.height - 1) + (h.width * h.bitCount + 7) / 8;
    if (!rle && std::int64_t(data.size()) < needed) {
        return pictureFailure(PictureError::Malformed, "bitmap: pixel data truncated");
    }
    LoadedPicture out;
    out.surface = Surface(int(h.width), int(h.height));
    if (out.surface.empty()) {
        return pictureFailure(PictureError::TooLarge, "bitmap: no memory for the pixels");
    }
    if (rle) {
        RleDecoder(h, palette, data, out.surface).run();
        return out;
    }
    decodeRows(h, palette, data, stride, out.surface);
    if (form == DibForm::Icon && !(h.bitCount == 32 && anyAlpha(out.surface))) {
        std::int64_t maskAt = stride * h.height;
        applyIconMask(
            h, maskAt <= std::int64_t(data.size()) ? data.subspan(std::size_t(maskAt)) : Bytes{},
            out.surface);
    }
    return out;
}

LoadedPicture decodeBmp(Bytes bytes, const PictureLimits& limits) {
    ByteReader r(bytes);
    std::uint32_t pixelOffset = r.u32(10);
    if (r.overrun() || bytes.size() < 18) {
        return pictureFailure(PictureError::Malformed, "bitmap: truncated file header");
    }
    return decodeDib(bytes.subspan(14), bytes, pixelOffset < 14 ? 0 : pixelOffset, DibForm::Plain,
                     limits);
}

} // namespace lumetta::gfx::detail
