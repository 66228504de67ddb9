#pragma once

#include "platform/gfx/Color.h"
#include "platform/gfx/Surface.h"
#include "platform/gfx/TextFormat.h"
#include "platform/ui/PushButton.h"
#include "platform/ui/Tooltip.h"

#include <chrono>
#include <memory>
#include <optional>
#include <string>

namespace lumetta {

// A push button drawn from four pictures of its own size (normal, hover, pressed, disabled),
// which tells its parent everything by messages (SkinMessages.h). It never reacts to keys, so
// a skinned button is pressed with the mouse only.
class CBitmapBtn : public ui::PushButton {
public:
    // The look and caption colour a draw state resolves to.
    enum class Look { Normal, Over, Down, Disabled };
    struct LookChoice {
        Look look = Look::Normal;
        gfx::SysColor color = 0;
        bool operator==(const LookChoice&) const = default;
    };

    CBitmapBtn();
    ~CBitmapBtn() override;

    // A visible child of parent at rect; reads the caption font of the string document's
    // "GLOBAL" section when the process's skin store has one.
    bool Create(ui::Window& parent, const gfx::Rect& rect, int id = 0);

    void SetText(std::u16string text, int offset = 0, bool fromLeft = true);
    const std::u16string& GetText() const { return text; }
    void SetFontFace(std::u16string face);
    void SetChecked(bool value);
    bool GetChecked() const { return checked; }
    void SetTooltipText(const std::string& tip);
    // The look for a state, by the table of the button's mode.
    virtual LookChoice ChooseLook(const DrawState& state) const;
    const gfx::Surface& LookPicture(Look look) const;

    gfx::Surface imgNormal, imgOver, imgDown, imgDisabled;
    bool hover = false;
    bool checked = false;
    bool checkMode = false;
    bool inverseHover = false;
    bool pressShift = false;
    bool focusOnHover = false;
    bool autoRepeat = false;
    std::chrono::milliseconds repeatInterval{100};
    bool drawFrame = false;
    std::u16string text;
    std::u16string fontFace;
    int fontSize = 14;
    int fontWeight = 500;
    int textOffset = 0;
    bool offsetFromLeft = true;
    std::optional<gfx::Rect> textRect;
    int textFormat = 1;
    gfx::SysColor colorNormal = 0x565656;
    gfx::SysColor colorHot = 0xFFFFFF;
    gfx::SysColor colorDisabled = 0x565656;
    gfx::SysColor colorPressed = 0xFFFFFF;

protected:
    // What the updater's copy does differently.
    struct Variant {
        bool tooltip = true;
        bool rightReleaseAndMiddle = true;
        bool postLeftDown = true;
        std::chrono::milliseconds firstRepeatExtra{0};
        bool captionKeyedOneLower = false;
    };
    explicit CBitmapBtn(Variant variant);

    void drawItem(gfx::Painter& painter, const DrawState& state) override;
    // The caption's rectangle and text-drawing flags.
    gfx::Rect CaptionRect() const;
    gfx::TextFormat CaptionFlags() const;
    // The stored text with its line-break markers turned into line breaks.
    std::string CaptionText();
    void DrawCaption(gfx::Painter& painter, const gfx::Rect& rect, gfx::SysColor color,
                     gfx::TextFormat flags);

    void onButtonDown(ui::MouseButton button, gfx::Point p, unsigned keys) override;
    void onButtonUp(ui::MouseButton button, gfx::Point p, unsigned keys) override;
    void onDoubleClick(ui::MouseButton button, gfx::Point p, unsigned keys) override;
    void onMouseMove(gfx::Point p, unsigned keys) override;
    void onCaptureChanged(ui::WindowHandle taker) override;
    void onKillFocus(ui::WindowHandle next) override;
    void onKeyDown(int, bool) override {}
    void onKeyUp(int) override {}
    void onTimer(ui::TimerId id) override;
    void onDestroy() override;
    bool preTranslateMessage(ui::Window& target, ui::MessageId id, ui::WParam wParam,
                             ui::LParam lParam) override;

private:
    void ReadGlobalFont();
    void LoseHoverUnlessOver();
    bool CursorOver() const;
    void EnsureTooltip();

    Variant variant_;
    std::unique_ptr<ui::Tooltip> tooltip_;
    bool firstRepeat_ = false;
};

// The updater's copy: no tooltip, the right press alone reports (at once, as a command), no
// word of a left press, a longer wait before the first repeat, and the caption drawn with white
// as transparent colour one pixel below the picture.
class CUpdaterBitmapBtn : public CBitmapBtn {
public:
    CUpdaterBitmapBtn();
};

} // namespace lumetta
