// Draws a window of the skin in one of the looks the buttons cut their pictures from. Static
// parts are the same in every look, so a button cut from any look sits seamlessly in the
// window.
#pragma once

#include "ArtDescription.h"
#include "Canvas.h"
#include "FontSet.h"

#include <cmath>
#include <string>
#include <vector>

namespace skinforge {

enum class Look { Normal, Over, Down, Disabled };

// Positions at a skin's scale: every edge is rounded on its own, so that neighbouring boxes
// still meet and the layout document and the pictures agree to the pixel.
struct Scaler {
    double scale = 1;
    int px(int v) const { return int(std::lround(v * scale)); }
    double len(double v) const { return v * scale; }
    Box box(const Box& b) const {
        int x = px(b.x);
        int y = px(b.y);
        return {x, y, px(b.x + b.w) - x, px(b.y + b.h) - y};
    }
};

class WindowPainter {
public:
    // Problems of the drawing (texts that do not fit) go to problems, once per element.
    WindowPainter(const Art& art, const FontSet& fonts, std::vector<std::string>& problems);

    void paint(Canvas& canvas, const Window& window, const Variant& variant, Look look,
               bool progressFilled);
    // The small cap that may ride on the end of a progress fill.
    void paintProgressIcon(Canvas& canvas);

private:
    void paintElement(Canvas& c, const Element& e, Look look, bool progressFilled);
    void paintFrame(Canvas& c, const Element& e);
    void paintPushButton(Canvas& c, const Element& e, Look look);
    void paintCloseButton(Canvas& c, const Element& e, Look look);
    void paintText(Canvas& c, const Element& e);
    void paintPanel(Canvas& c, const Element& e);
    void paintDivider(Canvas& c, const Element& e);
    void paintProgress(Canvas& c, const Element& e, bool filled);
    void paintBadge(Canvas& c, const Element& e);
    // Lays out text in box and reports, once, when it does not fit or its font lacks a character.
    void drawText(Canvas& c, const Element& e, const std::string& role, double size,
                  const Colour& colour, const Box& box, Align align, bool wrap);
    const Colour& colour(const std::string& name) const;

    const Art& art_;
    const FontSet& fonts_;
    std::vector<std::string>& problems_;
    Scaler s_;
    bool report_ = false;
};

} // namespace skinforge
