// libjpeg reports fatal errors by longjmp. The functions that may be jumped out of hold only
// plain data; every C++ object lives in the caller, outside the jump.

#include "platform/gfx/PictureDecoders.h"

#include <bit>
#include <csetjmp>
#include <cstdio>
#include <vector>

#include <jpeglib.h>

namespace lumetta::gfx::detail {
namespace {

// Progressive files may hold any number of scans, each a full pass over the coefficients;
// real pictures use about ten.
constexpr int kMaxScans = 256;

struct ErrorManager {
    jpeg_error_mgr base;
    std::jmp_buf jump;
    char message[JMSG_LENGTH_MAX];
};

struct Decompressor {
    jpeg_decompress_struct info{};
    ErrorManager errors{};
    jpeg_progress_mgr progress{};

    Decompressor() {
        info.err = jpeg_std_error(&errors.base);
        errors.base.error_exit = [](j_common_ptr c) {
            auto* e = reinterpret_cast<ErrorManager*>(c->err);
            (*c->err->format_message)(c, e->message);
            std::longjmp(e->jump, 1);
        };
        errors.base.output_message = [](j_common_ptr) {};
        errors.message[0] = '\0';
        progress.progress_monitor = [](j_common_ptr c) {
            if (c->is_decompressor) {
                auto* d = reinterpret_cast<j_decompress_ptr>(c);
                if (d->input_scan_number > kMaxScans) {
                    auto* e = reinterpret_cast<ErrorManager*>(c->err);
                    std::snprintf(e->message, sizeof e->message, "more than %d scans", kMaxScans);
                    std::longjmp(e->jump, 1);
                }
            }
        };
        jpeg_create_decompress(&info);
        info.progress = &progress;
    }
    ~Decompressor() { jpeg_destroy_decompress(&info); }
    Decompressor(const Decompressor&) = delete;
    Decompressor& operator=(const Decompressor&) = delete;
};

bool readHeader(Decompressor& d, Bytes bytes) {
    if (setjmp(d.errors.jump) != 0) {
        return false;
    }
    jpeg_mem_src(&d.info, bytes.data(), static_cast<unsigned long>(bytes.size()));
    jpeg_read_header(&d.info, TRUE);
    return true;
}

// Separate from the header, so that the size is checked before a progressive file is absorbed
// into coefficient buffers of the picture's size.
bool start(Decompressor& d) {
    if (setjmp(d.errors.jump) != 0) {
        return false;
    }
    bool cmyk = d.info.jpeg_color_space == JCS_CMYK || d.info.jpeg_color_space == JCS_YCCK;
    if (cmyk) {
        d.info.out_color_space = JCS_CMYK;
    } else {
        d.info.out_color_space =
            std::endian::native == std::endian::little ? JCS_EXT_BGRA : JCS_EXT_ARGB;
    }
    jpeg_start_decompress(&d.info);
    return true;
}

// rows[i] points at surface row i; cmykRow is scratch of width * 4 bytes for four-ink files.
bool readRows(Decompressor& d, Pixel* const* rows, std::uint8_t* cmykRow) {
    if (setjmp(d.errors.jump) != 0) {
        return false;
    }
    bool inverted = d.info.saw_Adobe_marker;
    while (d.info.output_scanline < d.info.output_height) {
        Pixel* dst = rows[d.info.output_scanline];
        JSAMPROW target = cmykRow != nullptr ? cmykRow : reinterpret_cast<JSAMPROW>(dst);
        if (jpeg_read_scanlines(&d.info, &target, 1) != 1) {
            return false;
        }
        if (cmykRow == nullptr) {
            continue;
        }
        for (JDIMENSION x = 0; x < d.info.output_width; ++x) {
            const std::uint8_t* p = cmykRow + x * 4;
            unsigned c = inverted ? p[0] : 255 - p[0];
            unsigned m = inverted ? p[1] : 255 - p[1];
            unsigned y = inverted ? p[2] : 255 - p[2];
            unsigned k = inverted ? p[3] : 255 - p[3];
            dst[x] = makePixel(255, std::uint8_t(c * k / 255), std::uint8_t(m * k / 255),
                               std::uint8_t(y * k / 255));
        }
    }
    jpeg_finish_decompress(&d.info);
    return true;
}

} // namespace

LoadedPicture decodeJpeg(Bytes bytes, const PictureLimits& limits) {
    Decompressor d;
    if (!readHeader(d, bytes)) {
        return pictureFailure(PictureError::Malformed, std::string("jpeg: ") + d.errors.message);
    }
    if (checkDimensions(d.info.image_width, d.info.image_height, limits) != PictureError::None) {
        return pictureFailure(PictureError::TooLarge,
                              "jpeg: " + std::to_string(d.info.image_width) + "x" +
                                  std::to_string(d.info.image_height));
    }
    if (!start(d)) {
        return pictureFailure(PictureError::Malformed, std::string("jpeg: ") + d.errors.message);
    }
    LoadedPicture out;
    out.surface = Surface(int(d.info.output_width), int(d.info.output_height));
    if (out.surface.empty()) {
        return pictureFailure(PictureError::TooLarge, "jpeg: no memory for the pixels");
    }
    std::vector<Pixel*> rows(std::size_t(out.surface.height()));
    for (int y = 0; y < out.surface.height(); ++y) {
        rows[std::size_t(y)] = out.surface.row(y).data();
    }
    std::vector<std::uint8_t> cmyk;
    if (d.info.out_color_space == JCS_CMYK) {
        cmyk.resize(std::size_t(out.surface.width()) * 4);
    }
    if (!readRows(d, rows.data(), cmyk.empty() ? nullptr : cmyk.data())) {
        return pictureFailure(PictureError::Malformed, std::string("jpeg: ") + d.errors.message);
    }
    return out;
}

} // namespace lumetta::gfx::detail
