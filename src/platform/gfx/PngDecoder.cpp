#include "platform/gfx/PictureDecoders.h"

#include <png.h>

namespace lumetta::gfx::detail {
namespace {

struct PngImage {
    png_image image{};
    PngImage() { image.version = PNG_IMAGE_VERSION; }
    ~PngImage() { png_image_free(&image); }
    PngImage(const PngImage&) = delete;
    PngImage& operator=(const PngImage&) = delete;
};

// The decoder writes straight colour bytes in B, G, R, A order; turn each into a stored pixel
// in place (reading bytes, so the result does not depend on the machine's byte order).
void premultiplyRows(Surface& s) {
    for (int y = 0; y < s.height(); ++y) {
        auto row = s.row(y);
        auto* bytes = reinterpret_cast<std::uint8_t*>(row.data());
        for (std::size_t x = 0; x < row.size(); ++x) {
            const std::uint8_t* p = bytes + x * 4;
            row[x] = premultiply(p[3], p[2], p[1], p[0]);
        }
    }
}

} // namespace

LoadedPicture decodePng(Bytes bytes, const PictureLimits& limits) {
    PngImage png;
    if (png_image_begin_read_from_memory(&png.image, bytes.data(), bytes.size()) == 0) {
        return pictureFailure(PictureError::Malformed, std::string("png: ") + png.image.message);
    }
    if (checkDimensions(png.image.width, png.image.height, limits) != PictureError::None) {
        return pictureFailure(PictureError::TooLarge, "png: " + std::to_string(png.image.width) +
                                                          "x" + std::to_string(png.image.height));
    }
    png.image.format = PNG_FORMAT_BGRA;
    LoadedPicture out;
    out.surface = Surface(int(png.image.width), int(png.image.height));
    if (out.surface.empty()) {
        return pictureFailure(PictureError::TooLarge, "png: no memory for the pixels");
    }
    auto* buffer = reinterpret_cast<std::uint8_t*>(out.surface.row(0).data());
    png_int_32 rowStride = png_int_32(out.surface.stride()) * 4; // in components
    if (png_image_finish_read(&png.image, nullptr, buffer, rowStride, nullptr) == 0) {
        return pictureFailure(PictureError::Malformed, std::string("png: ") + png.image.message);
    }
    premultiplyRows(out.surface);
    return out;
}

} // namespace lumetta::gfx::detail
