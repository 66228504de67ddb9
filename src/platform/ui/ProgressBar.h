#pragma once

#include "platform/ui/Window.h"

namespace lumetta::ui {

// A bar filled in proportion to a position within a range (0 to 100 unless set).
class ProgressBar : public Window {
public:
    bool create(Window& parent, const gfx::Rect& rect, int id, bool visible = true);

    void setRange(int minimum, int maximum);
    int minimum() const { return min_; }
    int maximum() const { return max_; }
    // Clamped into the range; returns the previous position.
    int setPos(int pos);
    int pos() const { return pos_; }
    // The filled width in pixels for the current position.
    int filledWidth() const;

protected:
    void paint(gfx::Painter& painter) override;

private:
    int min_ = 0;
    int max_ = 100;
    int pos_ = 0;
};

} // namespace lumetta::ui
