#pragma once

#include "platform/gfx/Geometry.h"

#include <span>
#include <vector>

struct _cairo_region;

namespace lumetta::gfx {

class Surface;

// A set of pixels kept as non-overlapping rectangles in bands from top to bottom. Value type.
class Region {
public:
    Region();
    explicit Region(const Rect& rect);
    static Region fromRects(std::span<const Rect> rects);
    ~Region();
    Region(const Region& other);
    Region& operator=(const Region& other);
    Region(Region&& other) noexcept;
    Region& operator=(Region&& other) noexcept;

    bool empty() const;
    Rect bounds() const;
    int rectCount() const;
    std::vector<Rect> rects() const;
    bool contains(Point p) const;
    // True when every pixel of rect is in the region.
    bool contains(const Rect& rect) const;
    bool intersects(const Rect& rect) const;

    Region& unite(const Region& other);
    Region& unite(const Rect& rect);
    Region& intersect(const Region& other);
    Region& intersect(const Rect& rect);
    Region& subtract(const Region& other);
    Region& subtract(const Rect& rect);
    Region& translate(int dx, int dy);

    friend bool operator==(const Region& a, const Region& b);

    // For the painter only.
    _cairo_region* native() const { return region_; }

private:
    explicit Region(_cairo_region* adopted);
    _cairo_region* region_;
};

// Every pixel of the picture whose colour is not pure white (red, green and blue all 255);
// fully transparent pixels count as white. Rows are scanned top to bottom for runs, and rows
// with the same runs are merged, so a shape costs one rectangle per run per band.
Region regionFromPicture(const Surface& picture);

} // namespace lumetta::gfx
