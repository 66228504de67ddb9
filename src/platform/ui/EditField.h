#pragma once

#include "platform/gfx/Font.h"
#include "platform/ui/Window.h"

#include <optional>
#include <string>
#include <vector>

namespace lumetta::ui {

// A single-line text field: caret, selection by mouse and keys, typing, horizontal scrolling
// that keeps the caret in view, a maximum length and a digits-only style. It tells its parent
// through msg::Command: notify::EditSetFocus and EditKillFocus when the focus comes and goes,
// EditChange after every change of the text (typed or set), EditMaxText when typing was cut at
// the maximum length. Positions count characters (code points); text is UTF-8 at the edges.
struct EditStyle {
    bool digitsOnly = false;
    // Without the focus the selection is not shown unless this is false.
    bool hideSelection = true;
};

class EditField : public Window {
public:
    using Style = EditStyle;
    static constexpr TimerId kBlinkTimer = 1;
    static constexpr int kPadding = 2;

    EditField();

    bool create(Window& parent, const gfx::Rect& rect, int id, Style style = {},
                bool visible = true);

    // Replaces the text (not limited by the maximum length); the caret goes to the start.
    void setText(const std::string& utf8);
    std::string text() const;
    int length() const { return int(text_.size()); }
    // 0: no limit. Text already longer stays as it is.
    void setMaxLength(int characters) { maxLength_ = characters; }
    int maxLength() const { return maxLength_; }
    void setDigitsOnly(bool digitsOnly) { style_.digitsOnly = digitsOnly; }
    bool digitsOnly() const { return style_.digitsOnly; }

    // end -1 means the end of the text; start -1 removes the selection. The caret goes to end.
    void setSelection(int start, int end);
    void selectAll() { setSelection(0, -1); }
    // First and one past the last selected character (equal when nothing is selected).
    std::pair<int, int> selection() const;
    int caret() const { return caret_; }
    // Inserts as if typed (limits apply), replacing the selection.
    void replaceSelection(const std::string& utf8);

    void setFont(const gfx::Font& font);
    const gfx::Font& font() const { return font_; }
    void setTextColor(gfx::SysColor color);
    // The colour behind the text; none: the text is drawn over the parent.
    void setBackgroundBrush(std::optional<gfx::SysColor> color) { setBackground(color); }
    // How far the text is scrolled to the left, in pixels.
    int scrollOffset() const { return scroll_; }
    bool caretShown() const { return caretOn_ && hasFocus(); }

    bool wantsTextInput() const override { return true; }
    gfx::Rect caretRect() const override;
    Cursor cursorAt(gfx::Point) const override { return Cursor::IBeam; }

protected:
    void paint(gfx::Painter& painter) override;
    void onButtonDown(MouseButton button, gfx::Point p, unsigned keys) override;
    void onDoubleClick(MouseButton button, gfx::Point p, unsigned keys) override;
    void onMouseMove(gfx::Point p, unsigned keys) override;
    void onButtonUp(MouseButton button, gfx::Point p, unsigned keys) override;
    void onCaptureChanged(WindowHandle taker) override;
    void onKeyDown(int key, bool repeat) override;
    void onChar(char32_t ch) override;
    void onSetFocus(WindowHandle previous) override;
    void onKillFocus(WindowHandle next) override;
    void onTimer(TimerId id) override;
    void onSize(gfx::Size size) override;

    void notifyParent(int code);

private:
    // Returns whether anything was inserted.
    bool insert(std::u32string chars);
    void eraseSelection();
    void moveCaret(int to, bool extend);
    void textChanged();
    void relayout();
    void ensureCaretVisible();
    int indexAt(int x) const;
    int wordStart(int from) const;
    int wordEnd(int from) const;
    int textX(int index) const;
    void restartBlink();

    Style style_;
    std::u32string text_;
    std::string utf8_;
    std::vector<int> offsets_; // caret x for each position, from the text's start
    int caret_ = 0;
    int anchor_ = 0;
    int scroll_ = 0;
    int maxLength_ = 0;
    bool selecting_ = false;
    bool caretOn_ = true;
    gfx::Font font_;
    gfx::SysColor textColor_;
};

} // namespace lumetta::ui
