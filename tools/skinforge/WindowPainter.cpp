#include "WindowPainter.h"

#include <cairo.h>
#include <pango/pangocairo.h>

#include <algorithm>
#include <memory>

namespace skinforge {
namespace {

struct LayoutDeleter {
    void operator()(PangoLayout* l) const { g_object_unref(l); }
};
using LayoutPtr = std::unique_ptr<PangoLayout, LayoutDeleter>;

RectF rectOf(const Box& b) {
    return {double(b.x), double(b.y), double(b.w), double(b.h)};
}

// The same rectangle shrunk by half a pixel on each side, where a one-pixel outline belongs.
RectF outlineOf(const Box& b) {
    return {b.x + 0.5, b.y + 0.5, b.w - 1.0, b.h - 1.0};
}

const Colour kWhite{255, 255, 255};

} // namespace

WindowPainter::WindowPainter(const Art& art, const FontSet& fonts,
                             std::vector<std::string>& problems)
    : art_(art), fonts_(fonts), problems_(problems), s_{art.skin.scale} {}

const Colour& WindowPainter::colour(const std::string& name) const {
    static const Colour missing{255, 0, 255};
    auto it = art_.style.colours.find(name);
    return it == art_.style.colours.end() ? missing : it->second;
}

void WindowPainter::paint(Canvas& canvas, const Window& window, const Variant& variant, Look look,
                          bool progressFilled) {
    // Texts are checked on the first drawing of each variant only; the others repeat it.
    report_ = look == Look::Normal && !progressFilled;
    for (const Element& e : window.elements) {
        paintElement(canvas, e, look, progressFilled);
    }
    for (const Element& e : variant.elements) {
        paintElement(canvas, e, look, progressFilled);
    }
}

void WindowPainter::paintElement(Canvas& c, const Element& e, Look look, bool progressFilled) {
    cairo_save(c.cr());
    switch (e.kind) {
    case ElementKind::Frame:
        paintFrame(c, e);
        break;
    case ElementKind::Button:
        if (e.box.empty()) {
            break;
        }
        if (e.look == "close") {
            paintCloseButton(c, e, look);
        } else {
            paintPushButton(c, e, look);
        }
        break;
    case ElementKind::Text:
        paintText(c, e);
        break;
    case ElementKind::Panel:
        paintPanel(c, e);
        break;
    case ElementKind::Divider:
        paintDivider(c, e);
        break;
    case ElementKind::Progress:
        paintProgress(c, e, progressFilled);
        break;
    case ElementKind::Badge:
        paintBadge(c, e);
        break;
    case ElementKind::Field:
    case ElementKind::Value:
        break; // the program draws these, or they are plain values
    }
    cairo_restore(c.cr());
}

void WindowPainter::paintFrame(Canvas& c, const Element& e) {
    cairo_t* cr = c.cr();
    const Box all{0, 0, c.width(), c.height()};
    const int bar = s_.px(e.bar);
    const double radius = s_.len(art_.style.radius);

    cairo_rectangle(cr, 0, 0, all.w, all.h);
    c.setVerticalGradient(0, all.h, colour("ground-top"), colour("ground-bottom"));
    c.fill();
    cairo_rectangle(cr, 0, 0, all.w, bar);
    c.setVerticalGradient(0, bar, colour("bar-top"), colour("bar-bottom"));
    c.fill();
    cairo_move_to(cr, 0, bar - 0.5);
    cairo_line_to(cr, all.w, bar - 0.5);
    c.setColour(colour("divider"));
    c.stroke(1);

    // The accent: a short upright crimson stroke before the title, softly lit.
    const double markH = std::round(bar * 0.42);
    const RectF mark{s_.len(20), std::round((bar - markH) / 2), s_.len(4), markH};
    c.roundedRect(mark, mark.w / 2);
    c.glow(colour("accent"), s_.len(4), 0.55);
    c.roundedRect(mark, mark.w / 2);
    c.setColour(colour("accent"));
    c.fill();

    const int titleX = s_.px(36);
    const Box title{titleX, 0, all.w - titleX - s_.px(56), bar};
    drawText(c, e, e.font, s_.len(e.size), colour(e.colour), title, Align::Left, false);

    c.roundedRect(outlineOf(all), radius);
    c.setColour(colour("outline"));
    c.stroke(1);
}

void WindowPainter::paintPushButton(Canvas& c, const Element& e, Look look) {
    cairo_t* cr = c.cr();
    const Box b = s_.box(e.box);
    const double radius = std::min(s_.len(art_.style.radius), b.h / 2.0);
    Colour text = colour("face-text");
    switch (look) {
    case Look::Normal:
        c.roundedRect(rectOf(b), radius);
        c.setVerticalGradient(b.y, b.y + b.h, colour("face-top"), colour("face-bottom"));
        c.fill();
        c.roundedRect(outlineOf(b), radius - 0.5);
        c.setColour(colour("face-line"));
        c.stroke(1);
        break;
    case Look::Over:
    case Look::Down: {
        bool down = look == Look::Down;
        c.roundedRect(rectOf(b), radius);
        c.setVerticalGradient(b.y, b.y + b.h, colour(down ? "down-top" : "hot-top"),
                              colour(down ? "down-bottom" : "hot-bottom"));
        c.fill();
        if (!down) {
            // A faint light along the top edge lifts the hover face off the ground.
            cairo_move_to(cr, b.x + radius, b.y + 1.5);
            cairo_line_to(cr, b.x + b.w - radius, b.y + 1.5);
            c.setColour(kWhite, 0.22);
            c.stroke(1);
        }
        text = colour("hot-text");
        break;
    }
    case Look::Disabled:
        c.roundedRect(rectOf(b), radius);
        c.setColour(colour("off-face"));
        c.fill();
        text = colour("off-text");
        break;
    }
    drawText(c, e, e.font, s_.len(e.size), text, b, Align::Center, false);
}

void WindowPainter::paintCloseButton(Canvas& c, const Element& e, Look look) {
    cairo_t* cr = c.cr();
    const Box b = s_.box(e.box);
    Colour mark = colour("text-dim");
    if (look == Look::Over || look == Look::Down) {
        bool down = look == Look::Down;
        c.roundedRect(rectOf(b), std::min(s_.len(6), b.h / 2.0));
        c.setVerticalGradient(b.y, b.y + b.h, colour(down ? "down-top" : "hot-top"),
                              colour(down ? "down-bottom" : "hot-bottom"));
        c.fill();
        mark = kWhite;
    } else if (look == Look::Disabled) {
        mark = colour("off-mark");
    }
    const double cx = b.x + b.w / 2.0;
    const double cy = b.y + b.h / 2.0;
    const double arm = s_.len(5);
    cairo_set_line_cap(cr, CAIRO_LINE_CAP_ROUND);
    cairo_move_to(cr, cx - arm, cy - arm);
    cairo_line_to(cr, cx + arm, cy + arm);
    cairo_move_to(cr, cx + arm, cy - arm);
    cairo_line_to(cr, cx - arm, cy + arm);
    c.setColour(mark);
    c.stroke(s_.len(1.75));
}

void WindowPainter::paintText(Canvas& c, const Element& e) {
    drawText(c, e, e.font, s_.len(e.size), colour(e.colour), s_.box(e.box), e.align, e.wrap);
}

void WindowPainter::paintPanel(Canvas& c, const Element& e) {
    const Box b = s_.box(e.box);
    const double radius = s_.len(art_.style.radius);
    c.roundedRect(rectOf(b), radius);
    c.setColour(colour("panel"));
    c.fill();
    c.roundedRect(outlineOf(b), radius - 0.5);
    c.setColour(colour("panel-line"));
    c.stroke(1);
}

void WindowPainter::paintDivider(Canvas& c, const Element& e) {
    const Box b = s_.box(e.box);
    cairo_move_to(c.cr(), b.x, b.y + 0.5);
    cairo_line_to(c.cr(), b.x + b.w, b.y + 0.5);
    c.setColour(colour("divider"));
    c.stroke(1);
}

void WindowPainter::paintProgress(Canvas& c, const Element& e, bool filled) {
    cairo_t* cr = c.cr();
    const Box b = s_.box(e.box);
    c.roundedRect(rectOf(b), b.h / 2.0);
    c.setColour(colour("track"));
    c.fill();
    if (filled) {
        const double inset = s_.len(3);
        const RectF bar{b.x + inset, b.y + inset, b.w - 2 * inset, b.h - 2 * inset};
        cairo_save(cr);
        c.roundedRect(rectOf(b), b.h / 2.0);
        cairo_clip(cr);
        c.roundedRect(bar, bar.h / 2);
        c.glow(colour("accent"), inset, 0.7);
        cairo_restore(cr);
        c.roundedRect(bar, bar.h / 2);
        c.setVerticalGradient(bar.y, bar.y + bar.h, colour("accent-light"), colour("hot-bottom"));
        c.fill();
    }
    c.roundedRect(outlineOf(b), b.h / 2.0 - 0.5);
    c.setColour(colour("panel-line"));
    c.stroke(1);
}

void WindowPainter::paintProgressIcon(Canvas& c) {
    cairo_t* cr = c.cr();
    cairo_rectangle(cr, 0, 0, c.width(), c.height());
    c.setColour(colour("track"));
    c.fill();
    const double r = c.height() / 2.0;
    cairo_arc(cr, c.width() / 2.0, r, r * 0.45, 0, 2 * M_PI);
    c.glow(colour("accent"), r * 0.5, 0.8);
    cairo_arc(cr, c.width() / 2.0, r, r * 0.45, 0, 2 * M_PI);
    c.setColour(colour("accent-light"));
    c.fill();
}

void WindowPainter::paintBadge(Canvas& c, const Element& e) {
    cairo_t* cr = c.cr();
    const Box b = s_.box(e.box);
    const double cx = b.x + b.w / 2.0;
    const double cy = b.y + b.h / 2.0;
    const double r = b.w / 2.0 - s_.len(2);
    const double line = s_.len(3);
    cairo_set_line_cap(cr, CAIRO_LINE_CAP_ROUND);
    cairo_set_line_join(cr, CAIRO_LINE_JOIN_ROUND);
    if (e.look == "cross") {
        cairo_arc(cr, cx, cy, r, 0, 2 * M_PI);
        c.glow(colour("accent"), s_.len(2), 0.6);
        cairo_arc(cr, cx, cy, r, 0, 2 * M_PI);
        c.setVerticalGradient(cy - r, cy + r, colour("hot-top"), colour("hot-bottom"));
        c.fill();
        const double arm = r * 0.36;
        cairo_move_to(cr, cx - arm, cy - arm);
        cairo_line_to(cr, cx + arm, cy + arm);
        cairo_move_to(cr, cx + arm, cy - arm);
        cairo_line_to(cr, cx - arm, cy + arm);
        c.setColour(kWhite);
        c.stroke(line);
        return;
    }
    const Colour& ink = colour(e.look == "check" ? "text" : "text-dim");
    cairo_arc(cr, cx, cy, r, 0, 2 * M_PI);
    c.setColour(colour("panel"));
    cairo_fill_preserve(cr);
    c.setColour(ink);
    c.stroke(s_.len(2));
    if (e.look == "check") {
        cairo_move_to(cr, cx - r * 0.42, cy + r * 0.02);
        cairo_line_to(cr, cx - r * 0.12, cy + r * 0.32);
        cairo_line_to(cr, cx + r * 0.44, cy - r * 0.30);
        c.setColour(ink);
        c.stroke(line);
        return;
    }
    cairo_arc(cr, cx, cy - r * 0.42, line * 0.75, 0, 2 * M_PI);
    c.setColour(ink);
    c.fill();
    cairo_move_to(cr, cx, cy - r * 0.12);
    cairo_line_to(cr, cx, cy + r * 0.46);
    c.setColour(ink);
    c.stroke(line);
}

void WindowPainter::drawText(Canvas& c, const Element& e, const std::string& role, double size,
                             const Colour& ink, const Box& box, Align align, bool wrap) {
    cairo_t* cr = c.cr();
    LayoutPtr layout(pango_layout_new(fonts_.context(cr)));
    PangoFontDescription* font = fonts_.describe(role, size);
    pango_layout_set_font_description(layout.get(), font);
    pango_font_description_free(font);
    pango_layout_set_text(layout.get(), e.text.c_str(), int(e.text.size()));
    if (wrap) {
        pango_layout_set_width(layout.get(), box.w * PANGO_SCALE);
        pango_layout_set_wrap(layout.get(), PANGO_WRAP_WORD);
    }
    PangoRectangle logical;
    pango_layout_get_pixel_extents(layout.get(), nullptr, &logical);
    const bool fits = logical.width <= box.w && logical.height <= box.h;
    const bool complete = pango_layout_get_unknown_glyphs_count(layout.get()) == 0;
    if (report_ && (!fits || !complete)) {
        problems_.push_back(art_.skin.name + ":" + std::to_string(e.line) + ": text '" + e.textRef +
                            "' " +
                            (complete ? "needs " + std::to_string(logical.width) + " x " +
                                            std::to_string(logical.height) + " px but has " +
                                            std::to_string(box.w) + " x " + std::to_string(box.h)
                                      : std::string("has characters its font lacks")));
    }
    double x = box.x;
    if (align == Align::Center) {
        x = box.x + std::floor((box.w - logical.width) / 2.0);
    } else if (align == Align::Right) {
        x = box.x + box.w - logical.width;
    }
    // A wrapped block starts at the top of its box; a single line sits in its middle.
    double y = wrap ? box.y : box.y + std::floor((box.h - logical.height) / 2.0);
    cairo_move_to(cr, x - logical.x, y - logical.y);
    c.setColour(ink);
    pango_cairo_show_layout(cr, layout.get());
}

} // namespace skinforge
