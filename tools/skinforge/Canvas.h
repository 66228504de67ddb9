// One picture being drawn: a cairo image surface with its context, and the few shapes the
// skin is made of. Every shape is anti-aliased; lines meant to be one pixel wide sit on pixel
// centres so that they stay crisp.
#pragma once

#include "ArtDescription.h"

#include <cstdint>
#include <vector>

typedef struct _cairo cairo_t;
typedef struct _cairo_surface cairo_surface_t;

namespace skinforge {

struct RectF {
    double x = 0;
    double y = 0;
    double w = 0;
    double h = 0;
};

class Canvas {
public:
    Canvas(int width, int height);
    ~Canvas();
    Canvas(const Canvas&) = delete;
    Canvas& operator=(const Canvas&) = delete;

    int width() const { return width_; }
    int height() const { return height_; }
    cairo_t* cr() const { return cr_; }
    bool ok() const;

    // Straight RGB rows, top to bottom, 3 bytes a pixel; alpha is dropped (pictures are opaque).
    std::vector<std::uint8_t> rgb() const;
    // The part of the picture at (x, y, w, h) as a new canvas.
    void copyFrom(const Canvas& source, int x, int y);
    // Premultiplied ARGB words of one pixel, for tests of the drawing.
    std::uint32_t pixel(int x, int y) const;
    // Every pixel whose mask byte is 0 becomes transparent, for previews of the window shape.
    void applyMask(const std::vector<std::uint8_t>& inside);
    bool savePng(const std::string& path) const;

    // --- shapes ---
    void roundedRect(const RectF& r, double radius);
    void setColour(const Colour& c, double alpha = 1.0);
    void setVerticalGradient(double top, double bottom, const Colour& a, const Colour& b);
    void fill();
    void stroke(double width);
    // A soft halo around the current path: widening strokes of falling strength.
    void glow(const Colour& c, double reach, double strength);

private:
    int width_;
    int height_;
    cairo_surface_t* surface_ = nullptr;
    cairo_t* cr_ = nullptr;
};

} // namespace skinforge
