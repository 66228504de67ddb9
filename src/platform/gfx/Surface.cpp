#include "platform/gfx/Surface.h"

#include <cairo.h>

#include <cstring>
#include <utility>

namespace lumetta::gfx {

Surface::Surface(int width, int height) {
    if (width <= 0 || height <= 0 || width > kMaxSurfaceSide || height > kMaxSurfaceSide) {
        return;
    }
    cairo_surface_t* s = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, width, height);
    if (cairo_surface_status(s) != CAIRO_STATUS_SUCCESS) {
        cairo_surface_destroy(s);
        return;
    }
    surface_ = s;
    width_ = width;
    height_ = height;
    stride_ = cairo_image_surface_get_stride(s) / 4;
    data_ = reinterpret_cast<Pixel*>(cairo_image_surface_get_data(s));
}

Surface Surface::over(Pixel* pixels, int width, int height, int stride) {
    Surface out;
    if (pixels == nullptr || width <= 0 || height <= 0 || width > kMaxSurfaceSide ||
        height > kMaxSurfaceSide || stride < width) {
        return out;
    }
    cairo_surface_t* s = cairo_image_surface_create_for_data(
        reinterpret_cast<unsigned char*>(pixels), CAIRO_FORMAT_ARGB32, width, height, stride * 4);
    if (cairo_surface_status(s) != CAIRO_STATUS_SUCCESS) {
        cairo_surface_destroy(s);
        return out;
    }
    out.surface_ = s;
    out.width_ = width;
    out.height_ = height;
    out.stride_ = stride;
    out.data_ = pixels;
    return out;
}

Surface::~Surface() {
    if (surface_ != nullptr) {
        cairo_surface_destroy(surface_);
    }
}

Surface::Surface(Surface&& other) noexcept
    : surface_(std::exchange(other.surface_, nullptr)), width_(std::exchange(other.width_, 0)),
      height_(std::exchange(other.height_, 0)), stride_(std::exchange(other.stride_, 0)),
      data_(std::exchange(other.data_, nullptr)) {}

Surface& Surface::operator=(Surface&& other) noexcept {
    if (this != &other) {
        Surface gone(std::move(*this));
        surface_ = std::exchange(other.surface_, nullptr);
        width_ = std::exchange(other.width_, 0);
        height_ = std::exchange(other.height_, 0);
        stride_ = std::exchange(other.stride_, 0);
        data_ = std::exchange(other.data_, nullptr);
    }
    return *this;
}

std::span<const Pixel> Surface::row(int y) const {
    if (empty() || y < 0 || y >= height_) {
        return {};
    }
    cairo_surface_flush(surface_);
    return {data_ + std::size_t(y) * std::size_t(stride_), std::size_t(width_)};
}

std::span<Pixel> Surface::row(int y) {
    if (empty() || y < 0 || y >= height_) {
        return {};
    }
    cairo_surface_flush(surface_);
    cairo_surface_mark_dirty(surface_);
    return {data_ + std::size_t(y) * std::size_t(stride_), std::size_t(width_)};
}

Pixel Surface::pixel(int x, int y) const {
    if (x < 0 || x >= width_) {
        return 0;
    }
    auto r = row(y);
    return r.empty() ? 0 : r[std::size_t(x)];
}

void Surface::setPixel(int x, int y, Pixel value) {
    if (x < 0 || x >= width_) {
        return;
    }
    auto r = row(y);
    if (!r.empty()) {
        r[std::size_t(x)] = value;
    }
}

SysColor Surface::colorAt(int x, int y) const {
    return sysColorFromPixel(pixel(x, y));
}

void Surface::fill(Pixel value) {
    for (int y = 0; y < height_; ++y) {
        auto r = row(y);
        std::fill(r.begin(), r.end(), value);
    }
}

Surface Surface::clone() const {
    return crop(bounds());
}

Surface Surface::crop(const Rect& rect) const {
    if (empty() || rect.empty()) {
        return {};
    }
    Surface out(rect.width(), rect.height());
    if (out.empty()) {
        return out;
    }
    Rect inside = rect.intersected(bounds());
    for (int y = inside.top; y < inside.bottom; ++y) {
        auto src = row(y).subspan(std::size_t(inside.left), std::size_t(inside.width()));
        auto dst = out.row(y - rect.top);
        std::memcpy(dst.data() + (inside.left - rect.left), src.data(), src.size_bytes());
    }
    return out;
}

bool Surface::savePng(const std::filesystem::path& path) const {
    if (empty()) {
        return false;
    }
    return cairo_surface_write_to_png(surface_, path.c_str()) == CAIRO_STATUS_SUCCESS;
}

std::vector<std::uint8_t> Surface::encodePng() const {
    std::vector<std::uint8_t> out;
    if (empty()) {
        return out;
    }
    auto sink = [](void* closure, const unsigned char* data, unsigned int length) {
        auto* bytes = static_cast<std::vector<std::uint8_t>*>(closure);
        bytes->insert(bytes->end(), data, data + length);
        return CAIRO_STATUS_SUCCESS;
    };
    if (cairo_surface_write_to_png_stream(surface_, sink, &out) != CAIRO_STATUS_SUCCESS) {
        out.clear();
    }
    return out;
}

} // namespace lumetta::gfx
