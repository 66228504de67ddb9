#pragma once

#include "platform/gfx/Color.h"
#include "platform/gfx/Font.h"
#include "platform/gfx/Geometry.h"
#include "platform/gfx/Region.h"
#include "platform/gfx/Surface.h"
#include "platform/gfx/TextFormat.h"

#include <optional>
#include <span>
#include <string_view>
#include <vector>

struct _cairo;

namespace lumetta::gfx {

enum class StretchFilter {
    Nearest, // each target pixel takes one source pixel, as the platform's default stretch
    Smooth,  // bilinear, for pictures scaled by a non-integer factor
};

// Draws on one surface. All coordinates are local: relative to the current origin, and
// everything is cut to the current clip. save()/restore() keep a stack of origin, clip, font,
// text colours and smoothing, so a control paints in its own coordinates inside a window's
// surface. Source rectangles are cut to their surface; nothing reads or writes out of bounds.
// Shapes are drawn without smoothing (whole pixels) unless setSmooth(true).
class Painter {
public:
    explicit Painter(Surface& target);
    ~Painter();
    Painter(const Painter&) = delete;
    Painter& operator=(const Painter&) = delete;

    Surface& target() { return target_; }

    // --- state ---
    void save();
    void restore(); // ignored when nothing is saved
    int depth() const { return int(stack_.size()); }
    void translate(int dx, int dy);
    Point origin() const { return state_.origin; }
    // Narrows the clip; it never widens until restore().
    void clip(const Rect& rect);
    void clip(const Region& region);
    // The clip's bounding box in local coordinates.
    Rect clipBounds() const;
    bool isVisible(const Rect& rect) const { return !rect.intersected(clipBounds()).empty(); }
    void setSmooth(bool smooth) { state_.smooth = smooth; }

    // --- pictures ---
    // Replaces the target's pixels with the source's, alpha included.
    void copy(const Surface& src, const Rect& srcRect, Point dst);
    void copy(const Surface& src, Point dst) { copy(src, src.bounds(), dst); }
    // Mixes the source, taken as opaque, over the target with one alpha for all pixels.
    void copyAlpha(const Surface& src, const Rect& srcRect, Point dst, std::uint8_t alpha);
    // Composes the source with its own per-pixel alpha, further scaled by alpha.
    void blend(const Surface& src, const Rect& srcRect, Point dst, std::uint8_t alpha = 255);
    void blend(const Surface& src, Point dst) { blend(src, src.bounds(), dst); }
    // Copies every source pixel except those showing the key colour, which leave the target
    // as it was.
    void copyKeyed(const Surface& src, const Rect& srcRect, Point dst, SysColor key);
    void stretch(const Surface& src, const Rect& srcRect, const Rect& dstRect,
                 StretchFilter filter = StretchFilter::Nearest);
    void stretchBlend(const Surface& src, const Rect& srcRect, const Rect& dstRect,
                      std::uint8_t alpha = 255, StretchFilter filter = StretchFilter::Smooth);

    // --- shapes ---
    // alpha 255 replaces the pixels; lower values mix the colour over them.
    void fill(const Rect& rect, SysColor color, std::uint8_t alpha = 255);
    void fill(const Region& region, SysColor color, std::uint8_t alpha = 255);
    // Makes the pixels transparent.
    void clear(const Rect& rect);
    // One-pixel outline just inside rect.
    void frame(const Rect& rect, SysColor color);
    // One-pixel line from `from` up to but not including `to`, as the platform draws lines.
    void line(Point from, Point to, SysColor color);
    // Ellipse inside bounds (right and bottom edges excluded); either part may be absent.
    void ellipse(const Rect& bounds, std::optional<SysColor> fill, std::optional<SysColor> outline);
    void triangle(Point a, Point b, Point c, std::optional<SysColor> fill,
                  std::optional<SysColor> outline);
    void polygon(std::span<const Point> points, std::optional<SysColor> fill,
                 std::optional<SysColor> outline);

    // --- text ---
    void setFont(const Font& font) { state_.font = font; }
    const Font& font() const { return state_.font; }
    void setTextColor(SysColor color) { state_.textColor = color; }
    SysColor textColor() const { return state_.textColor; }
    // Absent (the default): text is drawn over what is there. A colour fills each line's box.
    void setTextBackground(std::optional<SysColor> color) { state_.textBackground = color; }
    // Draws text in rect with the flags and returns the height of the text. With
    // TextFormat::CalcRect nothing is drawn and rect becomes the text's extent from its
    // top-left corner.
    int drawText(std::string_view text, Rect& rect, TextFormat flags);
    int drawText(std::string_view text, const Rect& rect, TextFormat flags) {
        Rect r = rect;
        return drawText(text, r, flags & ~TextFormat::CalcRect);
    }

private:
    struct State {
        Point origin;
        Rect clip; // in target coordinates
        Font font;
        SysColor textColor = 0;
        std::optional<SysColor> textBackground;
        bool smooth = false;
    };

    void applyAntialias();
    void pathPolygon(std::span<const Point> points);

    Surface& target_;
    _cairo* cr_ = nullptr;
    State state_;
    std::vector<State> stack_;
};

// Saves the painter's state for a scope.
class PainterSave {
public:
    explicit PainterSave(Painter& painter) : painter_(painter) { painter_.save(); }
    ~PainterSave() { painter_.restore(); }
    PainterSave(const PainterSave&) = delete;
    PainterSave& operator=(const PainterSave&) = delete;

private:
    Painter& painter_;
};

} // namespace lumetta::gfx
