#pragma once

#include "platform/ui/Window.h"

namespace lumetta::ui {

// Range, page and position of a scroll bar, and the position of a thumb being dragged (-1 when
// none). The largest position the bar reaches is max - page + 1 (max with no page).
struct ScrollInfo {
    int min = 0;
    int max = 100;
    int page = 0;
    int pos = 0;
    int trackPos = -1;
    friend bool operator==(const ScrollInfo&, const ScrollInfo&) = default;
};

// The scroll bar control: arrows at both ends, a track and a thumb. It never moves itself: it
// sends the parent msg::VScroll or msg::HScroll with a scroll code (and the position for the
// thumb codes) and the bar's handle, and the parent sets the new position. Holding an arrow or
// the track repeats (first after 500 ms, then every 100 ms) while the pointer stays on it.
// Owner-drawn bars override paint(), partAt() and the info operations as they need.
class ScrollBar : public Window {
public:
    enum class Orientation { Vertical, Horizontal };
    // Parts are numbered by the scroll code they send; the thumb by ThumbTrack.
    static constexpr int kNoPart = -1;
    static constexpr int kThumb = scroll::ThumbTrack;
    static constexpr TimerId kRepeatTimer = 1;

    struct Geometry {
        int arrow = 0;       // length of each arrow
        int trackStart = 0;  // along the axis
        int trackLength = 0; //
        int thumbStart = 0;  // along the axis, from the bar's start
        int thumbLength = 0; // 0: no thumb
    };

    bool create(Window& parent, const gfx::Rect& rect, int id, Orientation orientation,
                bool visible = true);

    bool vertical() const { return orientation_ == Orientation::Vertical; }
    // Keeps page within the range and pos within min .. max - page + 1; repaints when asked.
    virtual void setScrollInfo(const ScrollInfo& info, bool redraw = true);
    virtual ScrollInfo scrollInfo() const { return info_; }
    void setRange(int minimum, int maximum, bool redraw = true);
    void setPage(int page, bool redraw = true);
    void setPos(int pos, bool redraw = true);
    int pos() const { return info_.pos; }
    // The largest position the thumb can reach.
    int maxReachable() const;

    virtual Geometry geometry() const;
    // The part at a point (client coordinates), or kNoPart.
    virtual int partAt(gfx::Point p) const;
    int pressedPart() const { return pressed_; }

protected:
    void paint(gfx::Painter& painter) override;
    void onButtonDown(MouseButton button, gfx::Point p, unsigned keys) override;
    void onMouseMove(gfx::Point p, unsigned keys) override;
    void onButtonUp(MouseButton button, gfx::Point p, unsigned keys) override;
    void onCaptureChanged(WindowHandle taker) override;
    void onTimer(TimerId id) override;
    // Sends the parent a scroll message.
    void notify(int code, int position = 0);

private:
    int along(gfx::Point p) const { return vertical() ? p.y : p.x; }
    int length() const { return vertical() ? size().height : size().width; }
    int thickness() const { return vertical() ? size().width : size().height; }
    gfx::Rect spanRect(int start, int len) const;
    void endTracking();

    Orientation orientation_ = Orientation::Vertical;
    ScrollInfo info_;
    int pressed_ = kNoPart;
    bool pointerOnPressed_ = false;
    gfx::Point lastPoint_;
    bool dragging_ = false;
    int dragAnchor_ = 0;   // where the thumb was grabbed, along the axis
    int dragStartPos_ = 0; // the position when it was grabbed
};

} // namespace lumetta::ui
