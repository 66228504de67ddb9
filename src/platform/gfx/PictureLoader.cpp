#include "platform/gfx/Picture.h"
#include "platform/gfx/PictureDecoders.h"

#include <cerrno>
#include <cstring>
#include <fstream>
#include <vector>

namespace lumetta::gfx {
namespace detail {

LoadedPicture pictureFailure(PictureError error, std::string detail) {
    LoadedPicture out;
    out.error = error;
    out.detail = std::move(detail);
    return out;
}

PictureError checkDimensions(std::int64_t width, std::int64_t height, const PictureLimits& limits) {
    if (width > limits.maxSide || height > limits.maxSide || width * height > limits.maxPixels) {
        return PictureError::TooLarge;
    }
    return PictureError::None;
}

} // namespace detail

namespace {

using detail::Bytes;

bool startsWith(Bytes bytes, std::initializer_list<std::uint8_t> prefix) {
    if (bytes.size() < prefix.size()) {
        return false;
    }
    return std::equal(prefix.begin(), prefix.end(), bytes.begin());
}

bool looksLikeIco(Bytes bytes) {
    // Reserved 0, type 1 (icon) or 2 (cursor), at least one entry.
    return bytes.size() >= 6 && bytes[0] == 0 && bytes[1] == 0 &&
           (bytes[2] == 1 || bytes[2] == 2) && bytes[3] == 0 && (bytes[4] != 0 || bytes[5] != 0);
}

} // namespace

LoadedPicture loadPicture(std::span<const std::uint8_t> bytes, const PictureLimits& limits) {
    if (startsWith(bytes, {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A})) {
        return detail::decodePng(bytes, limits);
    }
    if (startsWith(bytes, {0xFF, 0xD8, 0xFF})) {
        return detail::decodeJpeg(bytes, limits);
    }
    if (startsWith(bytes, {'G', 'I', 'F', '8'})) {
        return detail::decodeGif(bytes, limits);
    }
    if (startsWith(bytes, {'B', 'M'})) {
        return detail::decodeBmp(bytes, limits);
    }
    if (looksLikeIco(bytes)) {
        return detail::decodeIco(bytes, limits);
    }
    return detail::pictureFailure(PictureError::UnknownFormat, "no known picture signature");
}

LoadedPicture loadPictureFile(const std::filesystem::path& path, const PictureLimits& limits) {
    // No picture within the limits needs more bytes than its raw pixels plus generous headers,
    // so a larger file is refused before it is read into memory.
    std::error_code ec;
    std::uintmax_t fileSize = std::filesystem::file_size(path, ec);
    if (!ec && fileSize > std::uintmax_t(limits.maxPixels) * 4 + (1u << 20)) {
        return detail::pictureFailure(PictureError::TooLarge, path.string() + ": file too large");
    }
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        LoadedPicture out = detail::pictureFailure(PictureError::CannotOpen, path.string());
        out.systemError = errno != 0 ? errno : ENOENT;
        return out;
    }
    std::vector<std::uint8_t> bytes((std::istreambuf_iterator<char>(in)), {});
    if (in.bad()) {
        LoadedPicture out = detail::pictureFailure(PictureError::CannotOpen, path.string());
        out.systemError = EIO;
        return out;
    }
    LoadedPicture out = loadPicture(bytes, limits);
    if (!out.ok()) {
        out.detail = path.string() + ": " + out.detail;
    }
    return out;
}

const char* pictureErrorName(PictureError error) {
    switch (error) {
    case PictureError::None:
        return "none";
    case PictureError::CannotOpen:
        return "cannot open";
    case PictureError::UnknownFormat:
        return "unknown format";
    case PictureError::Malformed:
        return "malformed";
    case PictureError::TooLarge:
        return "too large";
    }
    return "?";
}

} // namespace lumetta::gfx
