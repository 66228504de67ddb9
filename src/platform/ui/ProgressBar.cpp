#include "platform/ui/ProgressBar.h"

#include "platform/gfx/Painter.h"
#include "platform/ui/SystemColors.h"

#include <algorithm>

namespace lumetta::ui {

bool ProgressBar::create(Window& parent, const gfx::Rect& rect, int id, bool visible) {
    CreateParams params;
    params.parent = &parent;
    params.rect = rect;
    params.id = id;
    params.visible = visible;
    return Window::create(params);
}

void ProgressBar::setRange(int minimum, int maximum) {
    min_ = minimum;
    max_ = std::max(minimum, maximum);
    pos_ = std::clamp(pos_, min_, max_);
    invalidate();
}

int ProgressBar::setPos(int pos) {
    int old = pos_;
    pos_ = std::clamp(pos, min_, max_);
    if (pos_ != old) {
        invalidate();
    }
    return old;
}

int ProgressBar::filledWidth() const {
    int inner = std::max(0, size().width - 2);
    if (max_ == min_) {
        return 0;
    }
    return int(std::int64_t(inner) * (pos_ - min_) / (max_ - min_));
}

void ProgressBar::paint(gfx::Painter& painter) {
    gfx::Rect r = clientRect();
    painter.fill(r, syscolor::Window);
    painter.frame(r, syscolor::Shadow);
    int fill = filledWidth();
    if (fill > 0) {
        painter.fill(gfx::Rect{1, 1, 1 + fill, r.bottom - 1}, syscolor::Progress);
    }
}

} // namespace lumetta::ui
