#pragma once

#include "platform/gfx/Surface.h"

#include <cstdint>
#include <filesystem>
#include <span>
#include <string>

namespace lumetta::gfx {

enum class PictureError {
    None,
    CannotOpen,    // the file could not be read; systemError holds errno
    UnknownFormat, // the content is none of PNG, JPEG, GIF, BMP, ICO
    Malformed,     // the format was recognised but the content is broken or unsupported
    TooLarge,      // a side or the pixel count is above the limits
};

// Decoding refuses anything larger before allocating. Callers that read untrusted input at
// volume (fuzzing) may lower the limits; the defaults are the largest pictures accepted.
struct PictureLimits {
    int maxSide = kMaxSurfaceSide;
    std::int64_t maxPixels = std::int64_t(kMaxSurfaceSide) * kMaxSurfaceSide;
};

struct LoadedPicture {
    Surface surface;
    PictureError error = PictureError::None;
    int systemError = 0;
    std::string detail; // one line for logs: what was wrong and where

    bool ok() const { return error == PictureError::None; }
};

// Decodes a PNG, JPEG, GIF (first frame), BMP or ICO (the largest, deepest image) picked by
// the content's signature, never by name. Pixels come out premultiplied; pictures without
// alpha are opaque.
LoadedPicture loadPicture(std::span<const std::uint8_t> bytes, const PictureLimits& limits = {});
LoadedPicture loadPictureFile(const std::filesystem::path& path, const PictureLimits& limits = {});

const char* pictureErrorName(PictureError error);

} // namespace lumetta::gfx
