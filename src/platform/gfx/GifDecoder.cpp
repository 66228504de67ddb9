// The first frame of a GIF on its logical screen; the transparent colour of the frame's
// graphic control block becomes alpha 0, and so does the screen outside the frame.

#include "platform/gfx/PictureDecoders.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include <gif_lib.h>

namespace lumetta::gfx::detail {
namespace {

struct MemoryInput {
    Bytes bytes;
    std::size_t at = 0;
};

int readMemory(GifFileType* gif, GifByteType* buffer, int wanted) {
    auto* in = static_cast<MemoryInput*>(gif->UserData);
    std::size_t n = std::min(std::size_t(std::max(wanted, 0)), in->bytes.size() - in->at);
    std::memcpy(buffer, in->bytes.data() + in->at, n);
    in->at += n;
    return int(n);
}

struct GifFile {
    GifFileType* gif = nullptr;
    explicit GifFile(MemoryInput& in) {
        int error = 0;
        gif = DGifOpen(&in, readMemory, &error);
    }
    ~GifFile() {
        if (gif != nullptr) {
            int error = 0;
            DGifCloseFile(gif, &error);
        }
    }
    GifFile(const GifFile&) = delete;
    GifFile& operator=(const GifFile&) = delete;
};

// Reads extension blocks; remembers the transparent index of a graphic control block.
bool readExtension(GifFileType* gif, int& transparent) {
    int code = 0;
    GifByteType* block = nullptr;
    if (DGifGetExtension(gif, &code, &block) == GIF_ERROR) {
        return false;
    }
    if (code == GRAPHICS_EXT_FUNC_CODE && block != nullptr && block[0] >= 4) {
        transparent = (block[1] & 1) != 0 ? block[4] : -1;
    }
    while (block != nullptr) {
        if (DGifGetExtensionNext(gif, &block) == GIF_ERROR) {
            return false;
        }
    }
    return true;
}

// Interlaced frames store rows in four passes.
std::vector<int> rowOrder(int height, bool interlaced) {
    std::vector<int> order;
    order.reserve(std::size_t(height));
    if (!interlaced) {
        for (int y = 0; y < height; ++y) {
            order.push_back(y);
        }
        return order;
    }
    static constexpr int kStart[] = {0, 4, 2, 1};
    static constexpr int kStep[] = {8, 8, 4, 2};
    for (int pass = 0; pass < 4; ++pass) {
        for (int y = kStart[pass]; y < height; y += kStep[pass]) {
            order.push_back(y);
        }
    }
    return order;
}

bool readFrame(GifFileType* gif, int transparent, Surface& canvas) {
    const GifImageDesc& d = gif->Image;
    const ColorMapObject* map = d.ColorMap != nullptr ? d.ColorMap : gif->SColorMap;
    std::vector<GifPixelType> line(std::size_t(d.Width));
    for (int y : rowOrder(d.Height, d.Interlace)) {
        if (DGifGetLine(gif, line.data(), d.Width) == GIF_ERROR) {
            return false;
        }
        auto dst = canvas.row(d.Top + y);
        if (dst.empty()) {
            continue;
        }
        for (int x = 0; x < d.Width; ++x) {
            int cx = d.Left + x;
            int index = line[std::size_t(x)];
            if (cx >= canvas.width() || index == transparent) {
                continue;
            }
            Pixel px = makePixel(255, 0, 0, 0);
            if (map != nullptr && index < map->ColorCount) {
                const GifColorType& c = map->Colors[index];
                px = makePixel(255, c.Red, c.Green, c.Blue);
            }
            dst[std::size_t(cx)] = px;
        }
    }
    return true;
}

LoadedPicture frameToPicture(GifFileType* gif, int transparent, const PictureLimits& limits) {
    if (DGifGetImageDesc(gif) == GIF_ERROR) {
        return pictureFailure(PictureError::Malformed, "gif: bad image descriptor");
    }
    const GifImageDesc& d = gif->Image;
    if (d.Width <= 0 || d.Height <= 0) {
        return pictureFailure(PictureError::Malformed, "gif: empty frame");
    }
    int width = gif->SWidth > 0 ? gif->SWidth : d.Left + d.Width;
    int height = gif->SHeight > 0 ? gif->SHeight : d.Top + d.Height;
    if (checkDimensions(width, height, limits) != PictureError::None ||
        checkDimensions(d.Width, d.Height, limits) != PictureError::None) {
        return pictureFailure(PictureError::TooLarge,
                              "gif: " + std::to_string(width) + "x" + std::to_string(height));
    }
    LoadedPicture out;
    out.surface = Surface(width, height);
    if (out.surface.empty()) {
        return pictureFailure(PictureError::TooLarge, "gif: no memory for the pixels");
    }
    if (!readFrame(gif, transparent, out.surface)) {
        return pictureFailure(PictureError::Malformed, "gif: truncated frame");
    }
    return out;
}

} // namespace

LoadedPicture decodeGif(Bytes bytes, const PictureLimits& limits) {
    MemoryInput in{bytes};
    GifFile file(in);
    if (file.gif == nullptr) {
        return pictureFailure(PictureError::Malformed, "gif: bad header");
    }
    int transparent = -1;
    for (;;) {
        GifRecordType type = UNDEFINED_RECORD_TYPE;
        if (DGifGetRecordType(file.gif, &type) == GIF_ERROR) {
            return pictureFailure(PictureError::Malformed, "gif: bad record");
        }
        if (type == IMAGE_DESC_RECORD_TYPE) {
            return frameToPicture(file.gif, transparent, limits);
        }
        if (type == EXTENSION_RECORD_TYPE) {
            if (!readExtension(file.gif, transparent)) {
                return pictureFailure(PictureError::Malformed, "gif: bad extension");
            }
            continue;
        }
        return pictureFailure(PictureError::Malformed, "gif: no frame");
    }
}

} // namespace lumetta::gfx::detail
