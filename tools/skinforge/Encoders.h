// The file forms skinforge writes. Each is a pure function of its input: no time stamps, no
// library defaults that could drift, so a build writes the same bytes every time.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace skinforge {

inline constexpr int kJpegQuality = 92;

// Baseline JPEG with full-resolution colour (no chroma subsampling keeps thin crimson lines and
// small text clean), fixed quality, accurate integer transform, optimised Huffman tables.
std::vector<std::uint8_t> encodeJpeg(const std::vector<std::uint8_t>& rgb, int width, int height);

// Which pixels lie inside a rounded rectangle of the given size: the pixel's centre must be
// inside the shape. One byte per pixel, rows from the top; 1 inside, 0 outside.
std::vector<std::uint8_t> roundedMask(int width, int height, double radius);

// A 1-bit bottom-up BMP of a mask: black inside the window, pure white outside, the form the
// programs build window regions from.
std::vector<std::uint8_t> encodeMaskBmp(const std::vector<std::uint8_t>& inside, int width,
                                        int height);

// UTF-8 to UTF-16LE with byte-order mark FF FE; false when the text is not valid UTF-8.
bool encodeUtf16Le(const std::string& utf8, std::vector<std::uint8_t>& out);

} // namespace skinforge
