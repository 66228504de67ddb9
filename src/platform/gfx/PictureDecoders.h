#pragma once

// Private to the picture loader: one entry per format, all with the same contract.

#include "platform/gfx/Picture.h"

#include <cstdint>
#include <span>

namespace lumetta::gfx::detail {

using Bytes = std::span<const std::uint8_t>;

LoadedPicture pictureFailure(PictureError error, std::string detail);
// TooLarge or None for the dimensions against the limits.
PictureError checkDimensions(std::int64_t width, std::int64_t height, const PictureLimits& limits);

LoadedPicture decodePng(Bytes bytes, const PictureLimits& limits);
LoadedPicture decodeJpeg(Bytes bytes, const PictureLimits& limits);
LoadedPicture decodeGif(Bytes bytes, const PictureLimits& limits);
LoadedPicture decodeBmp(Bytes bytes, const PictureLimits& limits);
LoadedPicture decodeIco(Bytes bytes, const PictureLimits& limits);

// A device-independent bitmap without the file header, as icons store them. In icon form the
// height covers the colour image and the transparency mask below it.
enum class DibForm { Plain, Icon };
LoadedPicture decodeDib(Bytes dib, Bytes whole, std::size_t pixelOffset, DibForm form,
                        const PictureLimits& limits);

} // namespace lumetta::gfx::detail
