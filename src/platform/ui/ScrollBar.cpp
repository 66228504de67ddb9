#include "platform/ui/ScrollBar.h"

#include "platform/gfx/Painter.h"
#include "platform/ui/SystemColors.h"

#include <algorithm>
#include <chrono>

namespace lumetta::ui {

using namespace std::chrono_literals;

bool ScrollBar::create(Window& parent, const gfx::Rect& rect, int id, Orientation orientation,
                       bool visible) {
    orientation_ = orientation;
    CreateParams params;
    params.parent = &parent;
    params.rect = rect;
    params.id = id;
    params.visible = visible;
    return Window::create(params);
}

int ScrollBar::maxReachable() const {
    return std::max(info_.min, info_.max - std::max(info_.page - 1, 0));
}

void ScrollBar::setScrollInfo(const ScrollInfo& info, bool redraw) {
    ScrollInfo next = info;
    next.max = std::max(next.min, next.max);
    next.page = std::clamp(next.page, 0, next.max - next.min + 1);
    info_ = next;
    info_.pos = std::clamp(next.pos, info_.min, maxReachable());
    if (redraw) {
        invalidate();
    }
}

void ScrollBar::setRange(int minimum, int maximum, bool redraw) {
    ScrollInfo next = scrollInfo();
    next.min = minimum;
    next.max = maximum;
    setScrollInfo(next, redraw);
}

void ScrollBar::setPage(int page, bool redraw) {
    ScrollInfo next = scrollInfo();
    next.page = page;
    setScrollInfo(next, redraw);
}

void ScrollBar::setPos(int pos, bool redraw) {
    ScrollInfo next = scrollInfo();
    next.pos = pos;
    setScrollInfo(next, redraw);
}

ScrollBar::Geometry ScrollBar::geometry() const {
    Geometry g;
    int len = length();
    g.arrow = std::min(thickness(), len / 2);
    g.trackStart = g.arrow;
    g.trackLength = std::max(0, len - 2 * g.arrow);
    int span = info_.max - info_.min + 1;
    if (g.trackLength <= 3 || span <= 0) {
        return g;
    }
    int thumb = info_.page > 0 ? int(std::int64_t(info_.page) * g.trackLength / span)
                               : std::min(g.trackLength, thickness());
    thumb = std::clamp(thumb, std::min(8, g.trackLength), g.trackLength);
    int range = maxReachable() - info_.min;
    int at = dragging_ && info_.trackPos >= 0 ? info_.trackPos : info_.pos;
    int offset =
        range > 0 ? int(std::int64_t(g.trackLength - thumb) * (at - info_.min) / range) : 0;
    g.thumbStart = g.trackStart + offset;
    g.thumbLength = thumb;
    return g;
}

int ScrollBar::partAt(gfx::Point p) const {
    if (!clientRect().contains(p)) {
        return kNoPart;
    }
    Geometry g = geometry();
    int a = along(p);
    if (a < g.arrow) {
        return scroll::LineUp;
    }
    if (a >= length() - g.arrow) {
        return scroll::LineDown;
    }
    if (g.thumbLength > 0 && a >= g.thumbStart && a < g.thumbStart + g.thumbLength) {
        return kThumb;
    }
    if (g.thumbLength == 0) {
        return kNoPart;
    }
    return a < g.thumbStart ? scroll::PageUp : scroll::PageDown;
}

gfx::Rect ScrollBar::spanRect(int start, int len) const {
    return vertical() ? gfx::Rect{0, start, thickness(), start + len}
                      : gfx::Rect{start, 0, start + len, thickness()};
}

void ScrollBar::paint(gfx::Painter& painter) {
    Geometry g = geometry();
    painter.fill(clientRect(), syscolor::Face);
    auto arrow = [&](int part, int start) {
        gfx::Rect r = spanRect(start, g.arrow);
        bool down = pressed_ == part && pointerOnPressed_;
        painter.fill(r, down ? syscolor::Shadow : syscolor::Face);
        painter.frame(r, syscolor::Shadow);
        gfx::Point c{(r.left + r.right) / 2, (r.top + r.bottom) / 2};
        int s = std::max(2, g.arrow / 4);
        bool first = part == scroll::LineUp;
        gfx::Point a, b, tip;
        if (vertical()) {
            int dir = first ? -1 : 1;
            tip = {c.x, c.y + dir * s};
            a = {c.x - s, c.y - dir * s};
            b = {c.x + s, c.y - dir * s};
        } else {
            int dir = first ? -1 : 1;
            tip = {c.x + dir * s, c.y};
            a = {c.x - dir * s, c.y - s};
            b = {c.x - dir * s, c.y + s};
        }
        painter.triangle(a, b, tip, syscolor::Text, std::nullopt);
    };
    arrow(scroll::LineUp, 0);
    arrow(scroll::LineDown, length() - g.arrow);
    if (g.thumbLength > 0) {
        gfx::Rect thumb = spanRect(g.thumbStart, g.thumbLength)
                              .inflated(vertical() ? -2 : 0, vertical() ? 0 : -2);
        painter.fill(thumb, dragging_ ? syscolor::Frame : syscolor::Shadow);
    }
}

void ScrollBar::notify(int code, int position) {
    if (Window* p = parent()) {
        p->send(vertical() ? msg::VScroll : msg::HScroll, makeWParam(code, position),
                handleParam(handle()));
    }
}

void ScrollBar::onButtonDown(MouseButton button, gfx::Point p, unsigned) {
    if (button != MouseButton::Left) {
        return;
    }
    lastPoint_ = p;
    int part = partAt(p);
    if (part == kNoPart) {
        return;
    }
    setCapture();
    pressed_ = part;
    pointerOnPressed_ = true;
    if (part == kThumb) {
        dragging_ = true;
        dragAnchor_ = along(p);
        dragStartPos_ = info_.pos;
        info_.trackPos = info_.pos;
        invalidate();
        return;
    }
    invalidate();
    notify(part);
    setTimer(kRepeatTimer, 500ms);
}

void ScrollBar::onTimer(TimerId id) {
    if (id != kRepeatTimer) {
        return;
    }
    setTimer(kRepeatTimer, 100ms);
    // The track stops repeating once the thumb has reached the pointer.
    if (pressed_ == kNoPart || pressed_ == kThumb || partAt(lastPoint_) != pressed_) {
        return;
    }
    notify(pressed_);
}

void ScrollBar::onMouseMove(gfx::Point p, unsigned) {
    lastPoint_ = p;
    if (dragging_) {
        Geometry g = geometry();
        int room = g.trackLength - g.thumbLength;
        int range = maxReachable() - info_.min;
        int moved = along(p) - dragAnchor_;
        int next = room > 0 ? dragStartPos_ + int(std::int64_t(moved) * range / room) : info_.pos;
        next = std::clamp(next, info_.min, maxReachable());
        if (next != info_.trackPos) {
            info_.trackPos = next;
            invalidate();
            notify(scroll::ThumbTrack, next);
        }
        return;
    }
    if (pressed_ == kNoPart) {
        return;
    }
    // Repeats pause while the pointer is off the part that was pressed.
    bool on = partAt(p) == pressed_;
    if (on != pointerOnPressed_) {
        pointerOnPressed_ = on;
        invalidate();
    }
}

void ScrollBar::onButtonUp(MouseButton button, gfx::Point, unsigned) {
    if (button != MouseButton::Left || pressed_ == kNoPart) {
        return;
    }
    bool wasDragging = dragging_;
    int finalPos = info_.trackPos;
    endTracking();
    if (hasCapture()) {
        releaseCapture();
    }
    if (wasDragging) {
        notify(scroll::ThumbPosition, finalPos);
    }
    notify(scroll::EndScroll);
}

void ScrollBar::onCaptureChanged(WindowHandle) {
    endTracking();
}

void ScrollBar::endTracking() {
    if (pressed_ == kNoPart) {
        return;
    }
    killTimer(kRepeatTimer);
    pressed_ = kNoPart;
    pointerOnPressed_ = false;
    dragging_ = false;
    info_.trackPos = -1;
    invalidate();
}

} // namespace lumetta::ui
