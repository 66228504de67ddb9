#include "skin/widgets/CBitmapListBtn.h"

#include "platform/gfx/Painter.h"
#include "skin/widgets/SkinMessages.h"
#include "skin/widgets/SkinPictures.h"

namespace lumetta {

namespace {

constexpr gfx::SysColor kFrameColor = 0x00009B;

bool shows(int mask, int bit) {
    return mask == -1 || (mask & bit) != 0;
}

} // namespace

void CBitmapListBtn::SetIcons(const gfx::Surface* sourceA, const gfx::Surface* sourceB,
                              const gfx::Rect& rect) {
    CutImage(iconA, sourceA, rect);
    CutImage(iconB, sourceB, rect);
    iconX = rect.left;
    iconY = rect.top;
    invalidate();
}

void CBitmapListBtn::SetTextWithNumber(std::u16string value, int offset, int newNumber) {
    if (value == text && offset == textOffset && newNumber == number) {
        return;
    }
    text = std::move(value);
    textOffset = offset;
    number = newNumber;
    invalidate();
}

void CBitmapListBtn::SetResourceIcon(const gfx::Surface* picture, int id, int x, int y) {
    if (id == resourceIcon && x == resX && y == resY && picture == resourcePicture) {
        return;
    }
    resourcePicture = picture;
    resourceIcon = id;
    resX = x;
    resY = y;
    invalidate();
}

CBitmapBtn::LookChoice CBitmapListBtn::ChooseLook(const DrawState& state) const {
    if (checkMode) {
        if (state.disabled) {
            return {Look::Disabled, colorDisabled};
        }
        if (checked) {
            return {Look::Down, colorPressed};
        }
        if (hover) {
            return {Look::Over, colorHot};
        }
        if (state.pressed) {
            return {Look::Down, colorPressed};
        }
        return {Look::Normal, colorNormal};
    }
    if (checked) {
        return {Look::Down, colorHot};
    }
    if (state.pressed) {
        return {Look::Down, colorPressed};
    }
    if (hover) {
        return {Look::Over, colorHot};
    }
    if (state.disabled) {
        return {Look::Disabled, colorDisabled};
    }
    return {Look::Normal, colorNormal};
}

gfx::Rect CBitmapListBtn::IconRect() const {
    gfx::Rect area;
    if (shows(iconMask, 1) && !iconA.empty()) {
        area = area.united(gfx::Rect::fromSize(iconX, iconY, iconA.width(), iconA.height()));
    }
    if (shows(iconMask, 2) && !iconB.empty()) {
        area = area.united(gfx::Rect::fromSize(iconX, iconY, iconB.width(), iconB.height()));
    }
    return area;
}

void CBitmapListBtn::DrawIcon(gfx::Painter& painter, const gfx::Surface& icon) {
    painter.copy(icon, {iconX, iconY});
    if (iconFill != -1) {
        const gfx::Rect inner =
            gfx::Rect::fromSize(iconX, iconY, icon.width(), icon.height()).inflated(-1, -1);
        painter.fill(inner, gfx::SysColor(iconFill));
    }
}

void CBitmapListBtn::drawItem(gfx::Painter& painter, const DrawState& state) {
    using gfx::TextFormat;
    const LookChoice choice = ChooseLook(state);
    gfx::Surface composed(size().width, size().height);
    gfx::Painter off(composed);
    if (drawImage) {
        off.copy(LookPicture(choice.look), {0, 0});
        if (shows(iconMask, 1)) {
            DrawIcon(off, iconA);
        }
        if (shows(iconMask, 2)) {
            DrawIcon(off, iconB);
        }
    }
    if (drawFrame) {
        off.frame(clientRect(), kFrameColor);
    }
    if (number != -1) {
        off.setTextColor(choice.color);
        off.drawText(std::to_string(number), clientRect().translated(numberDx, numberDy),
                     TextFormat::Left | TextFormat::VCenter | TextFormat::SingleLine);
    }
    if (!text.empty()) {
        gfx::Rect caption = textRect.value_or(clientRect());
        if (!textRect) {
            caption.left += textOffset;
        }
        const TextFormat align = textFormat == 1   ? TextFormat::Center
                                 : textFormat != 0 ? TextFormat::Right
                                                   : TextFormat::Left;
        DrawCaption(off, caption, choice.color,
                    align | TextFormat::VCenter | TextFormat::SingleLine | TextFormat::EndEllipsis |
                        TextFormat::NoPrefix);
    }
    if (resourcePicture && resourceIcon > 1) {
        off.copyKeyed(*resourcePicture, resourcePicture->bounds(), {resX, resY}, 0x000000);
    }
    painter.copy(composed, {0, 0});
}

void CBitmapListBtn::onButtonDown(ui::MouseButton button, gfx::Point p, unsigned keys) {
    if (button == ui::MouseButton::Left && IconRect().contains(p)) {
        if (ui::Window* owner = parent()) {
            owner->send(ui::msg::Command, ui::makeWParam(id(), SKIN_NOTIFY_ICON),
                        ui::handleParam(handle()));
        }
        return;
    }
    CBitmapBtn::onButtonDown(button, p, keys);
}

void CBitmapListBtn::onMouseWheel(int delta, gfx::Point, unsigned) {
    if (ui::Window* owner = parent()) {
        owner->post(ui::msg::VScroll, delta <= 0 ? ui::scroll::LineDown : ui::scroll::LineUp, 0);
    }
}

} // namespace lumetta
