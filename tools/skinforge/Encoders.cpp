#include "Encoders.h"

#include <cstdio>
#include <jpeglib.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace skinforge {
namespace {

void put16(std::vector<std::uint8_t>& out, std::uint32_t v) {
    out.push_back(std::uint8_t(v));
    out.push_back(std::uint8_t(v >> 8));
}

void put32(std::vector<std::uint8_t>& out, std::uint32_t v) {
    put16(out, v & 0xFFFF);
    put16(out, v >> 16);
}

} // namespace

std::vector<std::uint8_t> encodeJpeg(const std::vector<std::uint8_t>& rgb, int width, int height) {
    jpeg_compress_struct info{};
    jpeg_error_mgr errors{};
    info.err = jpeg_std_error(&errors);
    jpeg_create_compress(&info);
    unsigned char* buffer = nullptr;
    unsigned long size = 0;
    jpeg_mem_dest(&info, &buffer, &size);
    info.image_width = JDIMENSION(width);
    info.image_height = JDIMENSION(height);
    info.input_components = 3;
    info.in_color_space = JCS_RGB;
    jpeg_set_defaults(&info);
    jpeg_set_quality(&info, kJpegQuality, TRUE);
    for (int i = 0; i < info.num_components; ++i) {
        info.comp_info[i].h_samp_factor = 1;
        info.comp_info[i].v_samp_factor = 1;
    }
    info.dct_method = JDCT_ISLOW;
    info.optimize_coding = TRUE;
    jpeg_start_compress(&info, TRUE);
    while (info.next_scanline < info.image_height) {
        JSAMPROW row =
            const_cast<JSAMPROW>(rgb.data() + std::size_t(info.next_scanline) * width * 3);
        jpeg_write_scanlines(&info, &row, 1);
    }
    jpeg_finish_compress(&info);
    std::vector<std::uint8_t> out(buffer, buffer + size);
    jpeg_destroy_compress(&info);
    std::free(buffer);
    return out;
}

std::vector<std::uint8_t> roundedMask(int width, int height, double radius) {
    radius = std::min({radius, width / 2.0, height / 2.0});
    std::vector<std::uint8_t> inside(std::size_t(width) * height, 1);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            double px = x + 0.5;
            double py = y + 0.5;
            // The nearest corner's centre; only pixels beyond it on both axes can be cut.
            double cx = px < radius ? radius : (px > width - radius ? width - radius : px);
            double cy = py < radius ? radius : (py > height - radius ? height - radius : py);
            double dx = px - cx;
            double dy = py - cy;
            if (dx * dx + dy * dy > radius * radius) {
                inside[std::size_t(y) * width + x] = 0;
            }
        }
    }
    return inside;
}

std::vector<std::uint8_t> encodeMaskBmp(const std::vector<std::uint8_t>& inside, int width,
                                        int height) {
    const std::uint32_t stride = ((std::uint32_t(width) + 31) / 32) * 4;
    const std::uint32_t pixelOffset = 14 + 40 + 2 * 4;
    const std::uint32_t imageSize = stride * std::uint32_t(height);
    std::vector<std::uint8_t> out;
    out.reserve(pixelOffset + imageSize);
    out.push_back('B');
    out.push_back('M');
    put32(out, pixelOffset + imageSize);
    put32(out, 0);
    put32(out, pixelOffset);
    put32(out, 40); // information header
    put32(out, std::uint32_t(width));
    put32(out, std::uint32_t(height)); // positive: rows from the bottom
    put16(out, 1);
    put16(out, 1); // bits per pixel
    put32(out, 0); // no compression
    put32(out, imageSize);
    put32(out, 2835); // 72 dots per inch, as pixels per metre
    put32(out, 2835);
    put32(out, 2);
    put32(out, 2);
    put32(out, 0x00000000); // index 0: black, inside
    put32(out, 0x00FFFFFF); // index 1: white, outside
    for (int y = height - 1; y >= 0; --y) {
        std::vector<std::uint8_t> row(stride, 0);
        for (int x = 0; x < width; ++x) {
            if (inside[std::size_t(y) * width + x] == 0) {
                row[std::size_t(x) / 8] |= std::uint8_t(0x80 >> (x % 8));
            }
        }
        out.insert(out.end(), row.begin(), row.end());
    }
    return out;
}

bool encodeUtf16Le(const std::string& utf8, std::vector<std::uint8_t>& out) {
    out = {0xFF, 0xFE};
    std::size_t i = 0;
    while (i < utf8.size()) {
        unsigned char c = utf8[i];
        int extra = c < 0x80 ? 0 : (c >> 5) == 6 ? 1 : (c >> 4) == 14 ? 2 : (c >> 3) == 30 ? 3 : -1;
        if (extra < 0) {
            return false;
        }
        std::uint32_t cp = extra == 0 ? c : c & (0x3F >> extra);
        for (int k = 1; k <= extra; ++k) {
            if (i + k >= utf8.size()) {
                return false;
            }
            unsigned char next = utf8[i + k];
            if ((next & 0xC0) != 0x80) {
                return false;
            }
            cp = (cp << 6) | (next & 0x3F);
        }
        static const std::uint32_t least[] = {0, 0x80, 0x800, 0x10000};
        if (cp < least[extra] || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) {
            return false;
        }
        if (cp >= 0x10000) {
            cp -= 0x10000;
            put16(out, 0xD800 | (cp >> 10));
            put16(out, 0xDC00 | (cp & 0x3FF));
        } else {
            put16(out, cp);
        }
        i += std::size_t(extra) + 1;
    }
    return true;
}

} // namespace skinforge
