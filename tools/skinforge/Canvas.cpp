#include "Canvas.h"

#include <cairo.h>

#include <algorithm>
#include <cmath>

namespace skinforge {

Canvas::Canvas(int width, int height) : width_(width), height_(height) {
    surface_ = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, width, height);
    cr_ = cairo_create(surface_);
    cairo_set_antialias(cr_, CAIRO_ANTIALIAS_GOOD);
}

Canvas::~Canvas() {
    cairo_destroy(cr_);
    cairo_surface_destroy(surface_);
}

bool Canvas::ok() const {
    return cairo_surface_status(surface_) == CAIRO_STATUS_SUCCESS &&
           cairo_status(cr_) == CAIRO_STATUS_SUCCESS;
}

std::uint32_t Canvas::pixel(int x, int y) const {
    if (x < 0 || y < 0 || x >= width_ || y >= height_) {
        return 0;
    }
    cairo_surface_flush(surface_);
    const unsigned char* data = cairo_image_surface_get_data(surface_);
    int stride = cairo_image_surface_get_stride(surface_);
    return reinterpret_cast<const std::uint32_t*>(data + std::ptrdiff_t(y) * stride)[x];
}

std::vector<std::uint8_t> Canvas::rgb() const {
    std::vector<std::uint8_t> out;
    out.reserve(std::size_t(width_) * height_ * 3);
    for (int y = 0; y < height_; ++y) {
        for (int x = 0; x < width_; ++x) {
            std::uint32_t p = pixel(x, y);
            out.push_back(std::uint8_t(p >> 16));
            out.push_back(std::uint8_t(p >> 8));
            out.push_back(std::uint8_t(p));
        }
    }
    return out;
}

void Canvas::copyFrom(const Canvas& source, int x, int y) {
    cairo_save(cr_);
    cairo_set_operator(cr_, CAIRO_OPERATOR_SOURCE);
    cairo_surface_flush(source.surface_);
    cairo_set_source_surface(cr_, source.surface_, -x, -y);
    cairo_paint(cr_);
    cairo_restore(cr_);
}

void Canvas::applyMask(const std::vector<std::uint8_t>& inside) {
    cairo_surface_flush(surface_);
    unsigned char* data = cairo_image_surface_get_data(surface_);
    int stride = cairo_image_surface_get_stride(surface_);
    for (int y = 0; y < height_; ++y) {
        auto* row = reinterpret_cast<std::uint32_t*>(data + std::ptrdiff_t(y) * stride);
        for (int x = 0; x < width_; ++x) {
            if (inside[std::size_t(y) * width_ + x] == 0) {
                row[x] = 0;
            }
        }
    }
    cairo_surface_mark_dirty(surface_);
}

bool Canvas::savePng(const std::string& path) const {
    return cairo_surface_write_to_png(surface_, path.c_str()) == CAIRO_STATUS_SUCCESS;
}

void Canvas::roundedRect(const RectF& r, double radius) {
    radius = std::min({radius, r.w / 2, r.h / 2});
    cairo_new_sub_path(cr_);
    cairo_arc(cr_, r.x + r.w - radius, r.y + radius, radius, -M_PI / 2, 0);
    cairo_arc(cr_, r.x + r.w - radius, r.y + r.h - radius, radius, 0, M_PI / 2);
    cairo_arc(cr_, r.x + radius, r.y + r.h - radius, radius, M_PI / 2, M_PI);
    cairo_arc(cr_, r.x + radius, r.y + radius, radius, M_PI, 3 * M_PI / 2);
    cairo_close_path(cr_);
}

void Canvas::setColour(const Colour& c, double alpha) {
    cairo_set_source_rgba(cr_, c.r / 255.0, c.g / 255.0, c.b / 255.0, alpha);
}

void Canvas::setVerticalGradient(double top, double bottom, const Colour& a, const Colour& b) {
    cairo_pattern_t* p = cairo_pattern_create_linear(0, top, 0, bottom);
    cairo_pattern_add_color_stop_rgb(p, 0, a.r / 255.0, a.g / 255.0, a.b / 255.0);
    cairo_pattern_add_color_stop_rgb(p, 1, b.r / 255.0, b.g / 255.0, b.b / 255.0);
    cairo_set_source(cr_, p);
    cairo_pattern_destroy(p);
}

void Canvas::fill() {
    cairo_fill(cr_);
}

void Canvas::stroke(double width) {
    cairo_set_line_width(cr_, width);
    cairo_stroke(cr_);
}

void Canvas::glow(const Colour& c, double reach, double strength) {
    const int steps = std::max(2, int(std::ceil(reach * 2)));
    for (int i = steps; i >= 1; --i) {
        double t = double(i) / steps;
        setColour(c, strength * (1 - t) * (1 - t) / 2);
        cairo_set_line_width(cr_, 2 * reach * t);
        cairo_stroke_preserve(cr_);
    }
    cairo_new_path(cr_);
}

} // namespace skinforge
