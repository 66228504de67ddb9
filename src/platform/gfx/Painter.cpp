#include "platform/gfx/Painter.h"
#include "platform/gfx/TextEngine.h"

#include <cairo.h>

#include <cmath>
#include <cstdlib>

namespace lumetta::gfx {
namespace {

void setColor(cairo_t* cr, SysColor c, std::uint8_t alpha = 255) {
    cairo_set_source_rgba(cr, sysRed(c) / 255.0, sysGreen(c) / 255.0, sysBlue(c) / 255.0,
                          alpha / 255.0);
}

// Cuts a source rectangle to the source and moves the target point along, so that only real
// source pixels are used.
bool fitSource(const Surface& src, const Rect& srcRect, Point& dst, Rect& fitted) {
    fitted = srcRect.intersected(src.bounds());
    if (fitted.empty()) {
        return false;
    }
    dst.x += fitted.left - srcRect.left;
    dst.y += fitted.top - srcRect.top;
    return true;
}

// The same pixels seen as opaque: the fourth byte is ignored.
struct OpaqueView {
    cairo_surface_t* surface;
    explicit OpaqueView(const Surface& s)
        : surface(cairo_image_surface_create_for_data(cairo_image_surface_get_data(s.native()),
                                                      CAIRO_FORMAT_RGB24, s.width(), s.height(),
                                                      s.stride() * 4)) {}
    ~OpaqueView() { cairo_surface_destroy(surface); }
    OpaqueView(const OpaqueView&) = delete;
    OpaqueView& operator=(const OpaqueView&) = delete;
};

} // namespace

Painter::Painter(Surface& target) : target_(target) {
    if (!target.empty()) {
        cr_ = cairo_create(target.native());
        state_.clip = target.bounds();
        applyAntialias();
    }
}

Painter::~Painter() {
    if (cr_ != nullptr) {
        cairo_destroy(cr_);
        cairo_surface_flush(target_.native());
    }
}

void Painter::applyAntialias() {
    cairo_set_antialias(cr_, state_.smooth ? CAIRO_ANTIALIAS_DEFAULT : CAIRO_ANTIALIAS_NONE);
}

void Painter::save() {
    stack_.push_back(state_);
    if (cr_ != nullptr) {
        cairo_save(cr_);
    }
}

void Painter::restore() {
    if (stack_.empty()) {
        return;
    }
    state_ = std::move(stack_.back());
    stack_.pop_back();
    if (cr_ != nullptr) {
        cairo_restore(cr_);
    }
}

void Painter::translate(int dx, int dy) {
    state_.origin.x += dx;
    state_.origin.y += dy;
    if (cr_ != nullptr) {
        cairo_translate(cr_, dx, dy);
    }
}

void Painter::clip(const Rect& rect) {
    Rect inTarget = rect.translated(state_.origin.x, state_.origin.y);
    state_.clip = state_.clip.intersected(inTarget);
    if (cr_ == nullptr) {
        return;
    }
    cairo_new_path(cr_);
    if (!rect.empty()) {
        cairo_rectangle(cr_, rect.left, rect.top, rect.width(), rect.height());
    }
    cairo_clip(cr_);
}

void Painter::clip(const Region& region) {
    Rect bounds = region.bounds().translated(state_.origin.x, state_.origin.y);
    state_.clip = state_.clip.intersected(bounds);
    if (cr_ == nullptr) {
        return;
    }
    cairo_new_path(cr_);
    for (const Rect& r : region.rects()) {
        cairo_rectangle(cr_, r.left, r.top, r.width(), r.height());
    }
    cairo_clip(cr_);
}

Rect Painter::clipBounds() const {
    // The tracked clip starts as the target's bounds and only ever narrows.
    if (state_.clip.empty()) {
        return {};
    }
    return state_.clip.translated(-state_.origin.x, -state_.origin.y);
}

void Painter::copy(const Surface& src, const Rect& srcRect, Point dst) {
    Rect s;
    if (cr_ == nullptr || !fitSource(src, srcRect, dst, s)) {
        return;
    }
    if (&src == &target_) {
        // Overlapping moves within one surface go through a copy.
        Surface part = src.crop(s);
        copy(part, part.bounds(), dst);
        return;
    }
    cairo_save(cr_);
    cairo_set_operator(cr_, CAIRO_OPERATOR_SOURCE);
    cairo_set_source_surface(cr_, src.native(), dst.x - s.left, dst.y - s.top);
    cairo_rectangle(cr_, dst.x, dst.y, s.width(), s.height());
    cairo_fill(cr_);
    cairo_restore(cr_);
}

void Painter::copyAlpha(const Surface& src, const Rect& srcRect, Point dst, std::uint8_t alpha) {
    Rect s;
    if (cr_ == nullptr || alpha == 0 || !fitSource(src, srcRect, dst, s)) {
        return;
    }
    OpaqueView opaque(src);
    cairo_save(cr_);
    cairo_set_source_surface(cr_, opaque.surface, dst.x - s.left, dst.y - s.top);
    cairo_rectangle(cr_, dst.x, dst.y, s.width(), s.height());
    cairo_clip(cr_);
    cairo_paint_with_alpha(cr_, alpha / 255.0);
    cairo_restore(cr_);
}

void Painter::blend(const Surface& src, const Rect& srcRect, Point dst, std::uint8_t alpha) {
    Rect s;
    if (cr_ == nullptr || alpha == 0 || !fitSource(src, srcRect, dst, s)) {
        return;
    }
    cairo_save(cr_);
    cairo_set_source_surface(cr_, src.native(), dst.x - s.left, dst.y - s.top);
    cairo_rectangle(cr_, dst.x, dst.y, s.width(), s.height());
    if (alpha == 255) {
        cairo_fill(cr_);
    } else {
        cairo_clip(cr_);
        cairo_paint_with_alpha(cr_, alpha / 255.0);
    }
    cairo_restore(cr_);
}

void Painter::copyKeyed(const Surface& src, const Rect& srcRect, Point dst, SysColor key) {
    Rect s;
    if (cr_ == nullptr || !fitSource(src, srcRect, dst, s)) {
        return;
    }
    // Key pixels become transparent, the rest opaque, so composing over the target copies
    // exactly the pixels that are not the key.
    Surface keyed(s.width(), s.height());
    for (int y = 0; y < s.height(); ++y) {
        auto in = src.row(s.top + y).subspan(std::size_t(s.left), std::size_t(s.width()));
        auto out = keyed.row(y);
        for (std::size_t x = 0; x < in.size(); ++x) {
            Pixel p = in[x];
            out[x] = sysColorFromPixel(p) == key ? 0 : (p | 0xFF000000u);
        }
    }
    blend(keyed, keyed.bounds(), dst);
}

void Painter::stretch(const Surface& src, const Rect& srcRect, const Rect& dstRect,
                      StretchFilter filter) {
    stretchBlend(src, srcRect, dstRect, 255, filter);
}

void Painter::stretchBlend(const Surface& src, const Rect& srcRect, const Rect& dstRect,
                           std::uint8_t alpha, StretchFilter filter) {
    if (cr_ == nullptr || src.empty() || srcRect.empty() || dstRect.empty() || alpha == 0) {
        return;
    }
    cairo_save(cr_);
    cairo_rectangle(cr_, dstRect.left, dstRect.top, dstRect.width(), dstRect.height());
    cairo_clip(cr_);
    cairo_translate(cr_, dstRect.left, dstRect.top);
    cairo_scale(cr_, double(dstRect.width()) / srcRect.width(),
                double(dstRect.height()) / srcRect.height());
    cairo_set_source_surface(cr_, src.native(), -srcRect.left, -srcRect.top);
    cairo_pattern_t* pattern = cairo_get_source(cr_);
    cairo_pattern_set_filter(pattern, filter == StretchFilter::Nearest ? CAIRO_FILTER_NEAREST
                                                                       : CAIRO_FILTER_BILINEAR);
    cairo_pattern_set_extend(pattern, CAIRO_EXTEND_PAD);
    if (alpha == 255) {
        // A plain stretch replaces the pixels, as copy() does.
        cairo_set_operator(cr_, CAIRO_OPERATOR_SOURCE);
        cairo_paint(cr_);
    } else {
        cairo_paint_with_alpha(cr_, alpha / 255.0);
    }
    cairo_restore(cr_);
}

void Painter::fill(const Rect& rect, SysColor color, std::uint8_t alpha) {
    if (cr_ == nullptr || rect.empty()) {
        return;
    }
    cairo_save(cr_);
    if (alpha == 255) {
        cairo_set_operator(cr_, CAIRO_OPERATOR_SOURCE);
    }
    setColor(cr_, color, alpha);
    cairo_rectangle(cr_, rect.left, rect.top, rect.width(), rect.height());
    cairo_fill(cr_);
    cairo_restore(cr_);
}

void Painter::fill(const Region& region, SysColor color, std::uint8_t alpha) {
    if (cr_ == nullptr || region.empty()) {
        return;
    }
    cairo_save(cr_);
    if (alpha == 255) {
        cairo_set_operator(cr_, CAIRO_OPERATOR_SOURCE);
    }
    setColor(cr_, color, alpha);
    for (const Rect& r : region.rects()) {
        cairo_rectangle(cr_, r.left, r.top, r.width(), r.height());
    }
    cairo_fill(cr_);
    cairo_restore(cr_);
}

void Painter::clear(const Rect& rect) {
    if (cr_ == nullptr || rect.empty()) {
        return;
    }
    cairo_save(cr_);
    cairo_set_operator(cr_, CAIRO_OPERATOR_CLEAR);
    cairo_rectangle(cr_, rect.left, rect.top, rect.width(), rect.height());
    cairo_fill(cr_);
    cairo_restore(cr_);
}

void Painter::frame(const Rect& rect, SysColor color) {
    if (rect.width() <= 2 || rect.height() <= 2) {
        fill(rect, color);
        return;
    }
    Region edges(rect);
    edges.subtract(rect.inflated(-1, -1));
    fill(edges, color);
}

void Painter::line(Point from, Point to, SysColor color) {
    if (cr_ == nullptr || from == to) {
        return;
    }
    // Bresenham over whole pixels; straight lines become one rectangle.
    int dx = std::abs(to.x - from.x);
    int dy = -std::abs(to.y - from.y);
    int sx = from.x < to.x ? 1 : -1;
    int sy = from.y < to.y ? 1 : -1;
    int err = dx + dy;
    Point p = from;
    cairo_save(cr_);
    cairo_set_operator(cr_, CAIRO_OPERATOR_SOURCE);
    setColor(cr_, color);
    if (dx == 0 || dy == 0) {
        int left = std::min(from.x, to.x + (dx == 0 ? 0 : (sx > 0 ? 0 : 1)));
        int top = std::min(from.y, to.y + (dy == 0 ? 0 : (sy > 0 ? 0 : 1)));
        cairo_rectangle(cr_, left, top, dx == 0 ? 1 : dx, dy == 0 ? 1 : -dy);
    } else {
        while (p != to) {
            cairo_rectangle(cr_, p.x, p.y, 1, 1);
            int e2 = 2 * err;
            if (e2 >= dy) {
                err += dy;
                p.x += sx;
            }
            if (e2 <= dx) {
                err += dx;
                p.y += sy;
            }
        }
    }
    cairo_fill(cr_);
    cairo_restore(cr_);
}

namespace {

// Whole-pixel ellipse: a pixel is inside when its centre lies within the ellipse through the
// outer edges of the bounding box. The outline is the inside pixels that touch an outside
// one, so it is closed and one pixel thick at any size.
class PixelEllipse {
public:
    explicit PixelEllipse(const Rect& b)
        : bounds_(b), cx_((b.left + b.right - 1) / 2.0), cy_((b.top + b.bottom - 1) / 2.0),
          rx_(b.width() / 2.0), ry_(b.height() / 2.0) {}

    bool inside(int x, int y) const {
        if (!bounds_.contains(Point{x, y})) {
            return false;
        }
        double dx = (x - cx_) / rx_;
        double dy = (y - cy_) / ry_;
        return dx * dx + dy * dy <= 1.0 + 1e-9;
    }
    bool edge(int x, int y) const {
        return inside(x, y) &&
               (!inside(x - 1, y) || !inside(x + 1, y) || !inside(x, y - 1) || !inside(x, y + 1));
    }

private:
    Rect bounds_;
    double cx_, cy_, rx_, ry_;
};

// Adds one rectangle per run of pixels that pass the test, row by row.
template <typename Test> void pathRuns(cairo_t* cr, const Rect& bounds, Test test) {
    cairo_new_path(cr);
    for (int y = bounds.top; y < bounds.bottom; ++y) {
        int x = bounds.left;
        while (x < bounds.right) {
            if (!test(x, y)) {
                ++x;
                continue;
            }
            int start = x;
            while (x < bounds.right && test(x, y)) {
                ++x;
            }
            cairo_rectangle(cr, start, y, x - start, 1);
        }
    }
}

} // namespace

void Painter::ellipse(const Rect& bounds, std::optional<SysColor> fill,
                      std::optional<SysColor> outline) {
    if (cr_ == nullptr || bounds.empty()) {
        return;
    }
    cairo_save(cr_);
    if (state_.smooth) {
        double cx = (bounds.left + bounds.right) / 2.0;
        double cy = (bounds.top + bounds.bottom) / 2.0;
        auto path = [&](double rx, double ry) {
            cairo_new_path(cr_);
            cairo_save(cr_);
            cairo_translate(cr_, cx, cy);
            cairo_scale(cr_, std::max(rx, 0.01), std::max(ry, 0.01));
            cairo_arc(cr_, 0, 0, 1, 0, 2 * M_PI);
            cairo_restore(cr_);
        };
        cairo_set_antialias(cr_, CAIRO_ANTIALIAS_DEFAULT);
        if (fill) {
            path(bounds.width() / 2.0, bounds.height() / 2.0);
            setColor(cr_, *fill);
            cairo_fill(cr_);
        }
        if (outline) {
            path((bounds.width() - 1) / 2.0, (bounds.height() - 1) / 2.0);
            setColor(cr_, *outline);
            cairo_set_line_width(cr_, 1.0);
            cairo_stroke(cr_);
        }
        cairo_restore(cr_);
        return;
    }
    // Only the part that can show is walked.
    Rect visible = bounds.intersected(clipBounds());
    PixelEllipse e(bounds);
    cairo_set_operator(cr_, CAIRO_OPERATOR_SOURCE);
    if (fill) {
        pathRuns(cr_, visible, [&](int x, int y) {
            return outline ? e.inside(x, y) && !e.edge(x, y) : e.inside(x, y);
        });
        setColor(cr_, *fill);
        cairo_fill(cr_);
    }
    if (outline) {
        pathRuns(cr_, visible, [&](int x, int y) { return e.edge(x, y); });
        setColor(cr_, *outline);
        cairo_fill(cr_);
    }
    cairo_restore(cr_);
}

void Painter::pathPolygon(std::span<const Point> points) {
    cairo_new_path(cr_);
    for (const Point& p : points) {
        cairo_line_to(cr_, p.x + 0.5, p.y + 0.5);
    }
    cairo_close_path(cr_);
}

void Painter::polygon(std::span<const Point> points, std::optional<SysColor> fill,
                      std::optional<SysColor> outline) {
    if (cr_ == nullptr || points.size() < 2) {
        return;
    }
    cairo_save(cr_);
    applyAntialias();
    if (fill) {
        pathPolygon(points);
        setColor(cr_, *fill);
        cairo_fill(cr_);
    }
    if (outline) {
        pathPolygon(points);
        setColor(cr_, *outline);
        cairo_set_line_width(cr_, 1.0);
        cairo_stroke(cr_);
    }
    cairo_restore(cr_);
}

void Painter::triangle(Point a, Point b, Point c, std::optional<SysColor> fill,
                       std::optional<SysColor> outline) {
    const Point points[] = {a, b, c};
    polygon(points, fill, outline);
}

int Painter::drawText(std::string_view text, Rect& rect, TextFormat flags) {
    auto& engine = detail::TextEngine::instance();
    TextExtent extent =
        engine.measure(state_.font.data(), text, rect.width(), rect.height(), flags);
    if (has(flags, TextFormat::CalcRect)) {
        rect.right = rect.left + extent.width;
        rect.bottom = rect.top + extent.height;
        return extent.height;
    }
    bool visible = has(flags, TextFormat::NoClip) || isVisible(rect);
    if (cr_ != nullptr && visible) {
        engine.draw(cr_, state_.font.data(), text, rect, flags, state_.textColor,
                    state_.textBackground);
    }
    return extent.height;
}

} // namespace lumetta::gfx
