#include "skin/widgets/CBitmapBtn.h"

#include "platform/gfx/Font.h"
#include "platform/gfx/Painter.h"
#include "platform/ui/Desktop.h"
#include "skin/files/SkinLookup.h"
#include "skin/files/SkinRect.h"
#include "skin/files/SkinStore.h"
#include "skin/files/Utf16Text.h"
#include "skin/widgets/SkinMessages.h"

namespace lumetta {

namespace {

constexpr gfx::SysColor kFrameColor = 0x00009B;
constexpr std::u16string_view kLineMarker = u"\\r\\n";

} // namespace

CBitmapBtn::CBitmapBtn() : CBitmapBtn(Variant{}) {}

CBitmapBtn::CBitmapBtn(Variant variant) : variant_(variant) {}

CBitmapBtn::~CBitmapBtn() {
    destroyWindow();
}

CUpdaterBitmapBtn::CUpdaterBitmapBtn()
    : CBitmapBtn(Variant{.tooltip = false,
                         .rightReleaseAndMiddle = false,
                         .postLeftDown = false,
                         .firstRepeatExtra = std::chrono::milliseconds(200),
                         .captionKeyedOneLower = true}) {}

bool CBitmapBtn::Create(ui::Window& parent, const gfx::Rect& rect, int id) {
    ReadGlobalFont();
    if (!PushButton::create(parent, rect, id, {}, true)) {
        return false;
    }
    setTabStop(false);
    // Two quick clicks are two clicks, not a click and a double click.
    setAcceptsDoubleClicks(false);
    return true;
}

void CBitmapBtn::ReadGlobalFont() {
    SkinStore& store = SkinStore::Process();
    if (store.Strings().Text().empty()) {
        store.EnsureStrings();
    }
    const std::u16string face = SkinValue(store.Strings(), u"GLOBAL", u"FONT");
    if (!face.empty()) {
        fontFace = face;
    }
    const std::u16string size = SkinValue(store.Strings(), u"GLOBAL", u"FONT_SIZE");
    if (!size.empty()) {
        fontSize = SkinNumber(size);
    }
}

void CBitmapBtn::SetText(std::u16string value, int offset, bool fromLeft) {
    if (value == text && offset == textOffset && fromLeft == offsetFromLeft) {
        return;
    }
    text = std::move(value);
    textOffset = offset;
    offsetFromLeft = fromLeft;
    invalidate();
}

void CBitmapBtn::SetFontFace(std::u16string face) {
    fontFace = std::move(face);
    invalidate();
}

void CBitmapBtn::SetChecked(bool value) {
    if (checked == value) {
        return;
    }
    checked = value;
    invalidate();
}

void CBitmapBtn::EnsureTooltip() {
    if (tooltip_ || !variant_.tooltip || !exists()) {
        return;
    }
    tooltip_ = std::make_unique<ui::Tooltip>();
    if (!tooltip_->create(*this)) {
        tooltip_.reset();
        return;
    }
    tooltip_->activate(true);
}

void CBitmapBtn::SetTooltipText(const std::string& tip) {
    EnsureTooltip();
    if (!tooltip_) {
        return;
    }
    tooltip_->addTool(*this, clientRect(), tip);
    tooltip_->setToolText(*this, tip);
    tooltip_->activate(true);
}

bool CBitmapBtn::preTranslateMessage(ui::Window& target, ui::MessageId id, ui::WParam wParam,
                                     ui::LParam lParam) {
    const bool mouse = id >= ui::msg::MouseMove && id <= ui::msg::MButtonDblClk;
    if (&target == this && mouse && variant_.tooltip) {
        EnsureTooltip();
        if (tooltip_) {
            tooltip_->relayEvent(*this, id, wParam, lParam);
        }
    }
    return PushButton::preTranslateMessage(target, id, wParam, lParam);
}

void CBitmapBtn::onDestroy() {
    killTimer(SKIN_REPEAT_TIMER);
    if (tooltip_) {
        tooltip_->destroyWindow();
        tooltip_.reset();
    }
    PushButton::onDestroy();
}

CBitmapBtn::LookChoice CBitmapBtn::ChooseLook(const DrawState& state) const {
    if (checkMode) {
        if (state.disabled) {
            return {Look::Disabled, colorDisabled};
        }
        if (checked) {
            return {Look::Down, colorHot};
        }
        if (hover) {
            return {Look::Over, colorHot};
        }
        if (!state.pressed) {
            return {Look::Normal, colorNormal};
        }
        return {Look::Down, colorPressed};
    }
    if (inverseHover) {
        if (hover || checked || state.pressed) {
            return {Look::Normal, colorNormal};
        }
        if (state.disabled) {
            return {Look::Disabled, colorDisabled};
        }
        return {Look::Over, colorHot};
    }
    if (checked || state.pressed) {
        return {Look::Down, colorHot};
    }
    if (hover) {
        return {Look::Over, colorHot};
    }
    if (state.disabled) {
        return {Look::Disabled, colorDisabled};
    }
    return {Look::Normal, colorNormal};
}

const gfx::Surface& CBitmapBtn::LookPicture(Look look) const {
    switch (look) {
    case Look::Over:
        return imgOver;
    case Look::Down:
        return imgDown;
    case Look::Disabled:
        return imgDisabled;
    case Look::Normal:
        break;
    }
    return imgNormal;
}

gfx::Rect CBitmapBtn::CaptionRect() const {
    gfx::Rect rect = textRect.value_or(clientRect());
    if (offsetFromLeft) {
        rect.left = clientRect().left + textOffset;
    } else {
        rect.right = clientRect().right - textOffset;
    }
    return rect;
}

gfx::TextFormat CBitmapBtn::CaptionFlags() const {
    using gfx::TextFormat;
    TextFormat flags = TextFormat::VCenter | TextFormat::EndEllipsis | TextFormat::NoPrefix;
    if (textFormat & 0x1) {
        flags |= TextFormat::Center;
    } else if (textFormat & 0x2) {
        flags |= TextFormat::Right;
    }
    flags |= (textFormat & 0x10) ? TextFormat::WordBreak : TextFormat::SingleLine;
    return flags;
}

std::string CBitmapBtn::CaptionText() {
    if (text.find(kLineMarker) != std::u16string::npos) {
        std::u16string broken;
        broken.reserve(text.size());
        for (std::size_t at = 0; at < text.size();) {
            if (text.compare(at, kLineMarker.size(), kLineMarker) == 0) {
                broken.push_back(u'\n');
                at += kLineMarker.size();
            } else {
                broken.push_back(text[at++]);
            }
        }
        text = std::move(broken);
    }
    return Utf16ToUtf8(text);
}

void CBitmapBtn::DrawCaption(gfx::Painter& painter, const gfx::Rect& rect, gfx::SysColor color,
                             gfx::TextFormat flags) {
    painter.setFont(gfx::Font::create(Utf16ToUtf8(fontFace), fontSize, fontWeight));
    painter.setTextColor(color);
    painter.setTextBackground(std::nullopt);
    painter.drawText(CaptionText(), rect, flags);
}

void CBitmapBtn::drawItem(gfx::Painter& painter, const DrawState& state) {
    const LookChoice choice = ChooseLook(state);
    const int shift = pressShift && state.pressed ? 1 : 0;
    gfx::Surface composed(size().width, size().height);
    gfx::Painter off(composed);
    off.copy(LookPicture(choice.look), {0, 0});
    if (drawFrame) {
        off.frame(clientRect(), kFrameColor);
    }
    if (!text.empty()) {
        gfx::Rect caption = CaptionRect();
        if (variant_.captionKeyedOneLower) {
            caption = caption.translated(0, 1);
        }
        DrawCaption(off, caption, choice.color, CaptionFlags());
    }
    painter.copy(composed, {0, shift});
}

bool CBitmapBtn::CursorOver() const {
    const ui::Desktop* desktop = ui::Desktop::current();
    if (!desktop || !exists()) {
        return false;
    }
    return hitTest(screenToClient(desktop->cursorPos()));
}

void CBitmapBtn::onMouseMove(gfx::Point p, unsigned keys) {
    if (ui::Window* owner = parent()) {
        const gfx::Point at{p.x + rect().left, p.y + rect().top};
        owner->post(ui::msg::MouseMove, keys, ui::packPoint(at));
    }
    PushButton::onMouseMove(p, keys);
    const bool leftHeld = (keys & ui::mk::LButton) != 0;
    if (leftHeld && !hover) {
        return;
    }
    if (!hasCapture()) {
        const ui::Desktop* desktop = ui::Desktop::current();
        if (!desktop || !desktop->activeWindow() || !parent() || !hitTest(p)) {
            return;
        }
        hover = true;
        if (focusOnHover) {
            setFocus();
        }
        setCapture();
        invalidate();
        return;
    }
    if (!hitTest(p) && hover) {
        hover = false;
        invalidate();
        if (!leftHeld) {
            releaseCapture();
        }
    }
}

void CBitmapBtn::LoseHoverUnlessOver() {
    if (!hover || CursorOver()) {
        return;
    }
    hover = false;
    invalidate();
}

void CBitmapBtn::onCaptureChanged(ui::WindowHandle taker) {
    PushButton::onCaptureChanged(taker);
    LoseHoverUnlessOver();
}

void CBitmapBtn::onKillFocus(ui::WindowHandle next) {
    PushButton::onKillFocus(next);
    if (hover && !CursorOver()) {
        hover = false;
        if (hasCapture()) {
            releaseCapture();
        }
        invalidate();
    }
}

void CBitmapBtn::onButtonDown(ui::MouseButton button, gfx::Point p, unsigned keys) {
    ui::Window* owner = parent();
    if (button == ui::MouseButton::Right) {
        if (!owner) {
            return;
        }
        if (variant_.rightReleaseAndMiddle) {
            owner->post(WM_BUTTON_RIGHT, 0, 1);
        } else {
            owner->send(ui::msg::Command, ui::makeWParam(id(), SKIN_NOTIFY_RCLICK),
                        ui::handleParam(handle()));
        }
        return;
    }
    if (button == ui::MouseButton::Middle) {
        if (owner && variant_.rightReleaseAndMiddle) {
            owner->send(ui::msg::Command, ui::makeWParam(id(), SKIN_NOTIFY_MCLICK),
                        ui::handleParam(handle()));
        }
        return;
    }
    if (button != ui::MouseButton::Left) {
        return;
    }
    const ui::Desktop* desktop = ui::Desktop::current();
    if (desktop && desktop->activeWindow() != topLevel()) {
        topLevel()->activate();
    }
    if (autoRepeat) {
        firstRepeat_ = variant_.firstRepeatExtra.count() > 0;
        setTimer(SKIN_REPEAT_TIMER, repeatInterval + variant_.firstRepeatExtra);
    }
    PushButton::onButtonDown(button, p, keys);
    if (owner && variant_.postLeftDown) {
        owner->post(WM_BUTTON_LEFT_DOWN, 0, 0);
    }
}

void CBitmapBtn::onDoubleClick(ui::MouseButton button, gfx::Point p, unsigned keys) {
    onButtonDown(button, p, keys);
}

void CBitmapBtn::onButtonUp(ui::MouseButton button, gfx::Point p, unsigned keys) {
    ui::Window* owner = parent();
    if (button == ui::MouseButton::Right) {
        if (owner && variant_.rightReleaseAndMiddle) {
            owner->post(ui::msg::Command, ui::makeWParam(id(), SKIN_NOTIFY_RCLICK),
                        ui::handleParam(handle()));
            owner->post(WM_BUTTON_RIGHT, 0, 0);
        }
        return;
    }
    if (button != ui::MouseButton::Left) {
        return;
    }
    killTimer(SKIN_REPEAT_TIMER);
    if (!checkMode) {
        PushButton::onButtonUp(button, p, keys);
        return;
    }
    // Ends the press without the platform's click: a check-mode button reports its toggle.
    const bool wasPressed = isPressed();
    if (hasCapture()) {
        releaseCapture();
    }
    if (!wasPressed && !hitTest(p)) {
        return;
    }
    checked = !checked;
    invalidate();
    if (owner) {
        owner->send(ui::msg::Command, ui::WParam(SKIN_CMD_TOGGLED), ui::handleParam(handle()));
    }
}

void CBitmapBtn::onTimer(ui::TimerId timerId) {
    if (timerId != SKIN_REPEAT_TIMER) {
        PushButton::onTimer(timerId);
        return;
    }
    if (firstRepeat_) {
        firstRepeat_ = false;
        setTimer(SKIN_REPEAT_TIMER, repeatInterval);
    }
    if (ui::Window* owner = parent()) {
        owner->post(ui::msg::Command, ui::WParam(SKIN_CMD_REPEAT), ui::handleParam(handle()));
    }
}

} // namespace lumetta
