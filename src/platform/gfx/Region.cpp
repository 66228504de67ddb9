#include "platform/gfx/Region.h"

#include <cairo.h>

#include <utility>

namespace lumetta::gfx {
namespace {

cairo_rectangle_int_t toCairo(const Rect& r) {
    return {r.left, r.top, r.width(), r.height()};
}

Rect fromCairo(const cairo_rectangle_int_t& r) {
    return {r.x, r.y, r.x + r.width, r.y + r.height};
}

} // namespace

Region::Region() : region_(cairo_region_create()) {}

Region::Region(_cairo_region* adopted) : region_(adopted) {}

Region::Region(const Rect& rect) : region_(nullptr) {
    if (rect.empty()) {
        region_ = cairo_region_create();
        return;
    }
    cairo_rectangle_int_t r = toCairo(rect);
    region_ = cairo_region_create_rectangle(&r);
}

Region Region::fromRects(std::span<const Rect> rects) {
    std::vector<cairo_rectangle_int_t> native;
    native.reserve(rects.size());
    for (const Rect& r : rects) {
        if (!r.empty()) {
            native.push_back(toCairo(r));
        }
    }
    return Region(cairo_region_create_rectangles(native.data(), int(native.size())));
}

Region::~Region() {
    if (region_ != nullptr) {
        cairo_region_destroy(region_);
    }
}

Region::Region(const Region& other) : region_(cairo_region_copy(other.region_)) {}

Region& Region::operator=(const Region& other) {
    if (this != &other) {
        cairo_region_t* copy = cairo_region_copy(other.region_);
        cairo_region_destroy(region_);
        region_ = copy;
    }
    return *this;
}

// A moved-from region is left empty rather than null so that it stays usable.
Region::Region(Region&& other) noexcept
    : region_(std::exchange(other.region_, cairo_region_create())) {}

Region& Region::operator=(Region&& other) noexcept {
    std::swap(region_, other.region_);
    return *this;
}

bool Region::empty() const {
    return cairo_region_is_empty(region_);
}

Rect Region::bounds() const {
    cairo_rectangle_int_t r;
    cairo_region_get_extents(region_, &r);
    return empty() ? Rect{} : fromCairo(r);
}

int Region::rectCount() const {
    return cairo_region_num_rectangles(region_);
}

std::vector<Rect> Region::rects() const {
    std::vector<Rect> out;
    int n = rectCount();
    out.reserve(std::size_t(n));
    for (int i = 0; i < n; ++i) {
        cairo_rectangle_int_t r;
        cairo_region_get_rectangle(region_, i, &r);
        out.push_back(fromCairo(r));
    }
    return out;
}

bool Region::contains(Point p) const {
    return cairo_region_contains_point(region_, p.x, p.y);
}

bool Region::contains(const Rect& rect) const {
    if (rect.empty()) {
        return true;
    }
    cairo_rectangle_int_t r = toCairo(rect);
    return cairo_region_contains_rectangle(region_, &r) == CAIRO_REGION_OVERLAP_IN;
}

bool Region::intersects(const Rect& rect) const {
    if (rect.empty()) {
        return false;
    }
    cairo_rectangle_int_t r = toCairo(rect);
    return cairo_region_contains_rectangle(region_, &r) != CAIRO_REGION_OVERLAP_OUT;
}

Region& Region::unite(const Region& other) {
    cairo_region_union(region_, other.region_);
    return *this;
}

Region& Region::unite(const Rect& rect) {
    if (!rect.empty()) {
        cairo_rectangle_int_t r = toCairo(rect);
        cairo_region_union_rectangle(region_, &r);
    }
    return *this;
}

Region& Region::intersect(const Region& other) {
    cairo_region_intersect(region_, other.region_);
    return *this;
}

Region& Region::intersect(const Rect& rect) {
    if (rect.empty()) {
        *this = Region();
        return *this;
    }
    cairo_rectangle_int_t r = toCairo(rect);
    cairo_region_intersect_rectangle(region_, &r);
    return *this;
}

Region& Region::subtract(const Region& other) {
    cairo_region_subtract(region_, other.region_);
    return *this;
}

Region& Region::subtract(const Rect& rect) {
    if (!rect.empty()) {
        cairo_rectangle_int_t r = toCairo(rect);
        cairo_region_subtract_rectangle(region_, &r);
    }
    return *this;
}

Region& Region::translate(int dx, int dy) {
    cairo_region_translate(region_, dx, dy);
    return *this;
}

bool operator==(const Region& a, const Region& b) {
    return cairo_region_equal(a.region_, b.region_);
}

} // namespace lumetta::gfx
