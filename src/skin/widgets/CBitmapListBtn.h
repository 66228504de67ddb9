#pragma once

#include "skin/widgets/CBitmapBtn.h"

namespace lumetta {

// The row button of lists: a picture button with two small icons (a check box and a colour
// swatch, say), an optional number and a bitmap drawn with black as transparent colour. A press
// on a shown icon is reported as an icon press; the wheel scrolls the parent.
class CBitmapListBtn : public CBitmapBtn {
public:
    // Cuts iconA and iconB at rect from two source pictures; they are drawn at rect's corner.
    void SetIcons(const gfx::Surface* sourceA, const gfx::Surface* sourceB, const gfx::Rect& rect);
    void SetTextWithNumber(std::u16string text, int offset, int value);
    void SetResourceIcon(const gfx::Surface* picture, int id, int x, int y);

    LookChoice ChooseLook(const DrawState& state) const override;
    // The rectangle the shown icons cover (client coordinates); empty when none is shown.
    gfx::Rect IconRect() const;

    gfx::Surface iconA, iconB;
    int iconMask = 0;
    int iconX = 0;
    int iconY = 0;
    std::int64_t iconFill = -1;
    bool drawImage = true;
    int number = -1;
    int numberDx = 0;
    int numberDy = 0;
    int resourceIcon = 0;
    int resX = 0;
    int resY = 0;
    const gfx::Surface* resourcePicture = nullptr;

protected:
    void drawItem(gfx::Painter& painter, const DrawState& state) override;
    void onButtonDown(ui::MouseButton button, gfx::Point p, unsigned keys) override;
    void onMouseWheel(int delta, gfx::Point screen, unsigned keys) override;

private:
    void DrawIcon(gfx::Painter& painter, const gfx::Surface& icon);
};

} // namespace lumetta
