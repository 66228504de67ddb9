#include "platform/ui/EditField.h"

#include "platform/gfx/Painter.h"
#include "platform/gfx/Text.h"
#include "platform/ui/ControlFont.h"
#include "platform/ui/Desktop.h"
#include "platform/ui/SystemColors.h"

#include <algorithm>
#include <chrono>

namespace lumetta::ui {

namespace {

using namespace std::chrono_literals;
constexpr auto kBlinkPeriod = 530ms;
constexpr gfx::TextFormat kLineFormat = gfx::TextFormat::Left | gfx::TextFormat::VCenter |
                                        gfx::TextFormat::SingleLine | gfx::TextFormat::NoPrefix;

std::u32string decode(const std::string& s) {
    std::u32string out;
    for (std::size_t i = 0; i < s.size();) {
        auto c = static_cast<unsigned char>(s[i]);
        int n = c < 0x80           ? 0
                : (c >> 5) == 0x6  ? 1
                : (c >> 4) == 0xE  ? 2
                : (c >> 3) == 0x1E ? 3
                                   : -1;
        if (n < 0 || i + std::size_t(n) >= s.size() + (n == 0 ? 1 : 0)) {
            out.push_back(0xFFFD);
            ++i;
            continue;
        }
        char32_t cp = n == 0 ? c : c & (0x3F >> n);
        for (int k = 1; k <= n; ++k) {
            cp = (cp << 6) | (static_cast<unsigned char>(s[i + std::size_t(k)]) & 0x3F);
        }
        out.push_back(cp);
        i += std::size_t(n) + 1;
    }
    return out;
}

std::string encode(const std::u32string& s) {
    std::string out;
    for (char32_t c : s) {
        if (c < 0x80) {
            out.push_back(char(c));
        } else if (c < 0x800) {
            out.push_back(char(0xC0 | (c >> 6)));
            out.push_back(char(0x80 | (c & 0x3F)));
        } else if (c < 0x10000) {
            out.push_back(char(0xE0 | (c >> 12)));
            out.push_back(char(0x80 | ((c >> 6) & 0x3F)));
            out.push_back(char(0x80 | (c & 0x3F)));
        } else {
            out.push_back(char(0xF0 | (c >> 18)));
            out.push_back(char(0x80 | ((c >> 12) & 0x3F)));
            out.push_back(char(0x80 | ((c >> 6) & 0x3F)));
            out.push_back(char(0x80 | (c & 0x3F)));
        }
    }
    return out;
}

bool isWordChar(char32_t c) {
    return c != U' ' && c != U'\t';
}

} // namespace

EditField::EditField() : font_(controlFont()), textColor_(syscolor::Text) {
    setBackground(syscolor::Window);
    setCursor(Cursor::IBeam);
    offsets_ = {0};
}

bool EditField::create(Window& parent, const gfx::Rect& rect, int id, Style style, bool visible) {
    style_ = style;
    CreateParams params;
    params.parent = &parent;
    params.rect = rect;
    params.id = id;
    params.visible = visible;
    setTabStop(true);
    setAcceptsDoubleClicks(true);
    if (!Window::create(params)) {
        return false;
    }
    relayout();
    return true;
}

void EditField::setText(const std::string& utf8) {
    text_ = decode(utf8);
    caret_ = anchor_ = 0;
    scroll_ = 0;
    textChanged();
}

std::string EditField::text() const {
    return utf8_;
}

std::pair<int, int> EditField::selection() const {
    return {std::min(caret_, anchor_), std::max(caret_, anchor_)};
}

void EditField::setSelection(int start, int end) {
    int n = length();
    if (start < 0) {
        anchor_ = caret_ = std::clamp(end < 0 ? n : end, 0, n);
    } else {
        anchor_ = std::clamp(start, 0, n);
        caret_ = end < 0 ? n : std::clamp(end, 0, n);
    }
    ensureCaretVisible();
    invalidate();
}

void EditField::replaceSelection(const std::string& utf8) {
    if (insert(decode(utf8))) {
        textChanged();
    }
}

void EditField::setFont(const gfx::Font& font) {
    font_ = font;
    relayout();
    invalidate();
}

void EditField::setTextColor(gfx::SysColor color) {
    textColor_ = color;
    invalidate();
}

int EditField::textX(int index) const {
    return kPadding - scroll_ + offsets_[std::size_t(std::clamp(index, 0, length()))];
}

gfx::Rect EditField::caretRect() const {
    int h = std::min(size().height, font_.cellHeight());
    int top = (size().height - h) / 2;
    int x = textX(caret_);
    return {x, top, x + 1, top + h};
}

void EditField::relayout() {
    utf8_ = encode(text_);
    offsets_ = gfx::caretOffsets(font_, utf8_);
    if (offsets_.size() != text_.size() + 1) {
        // Keep one offset per position whatever the layout engine made of odd text.
        offsets_.resize(text_.size() + 1, offsets_.empty() ? 0 : offsets_.back());
    }
    ensureCaretVisible();
}

void EditField::ensureCaretVisible() {
    int width = std::max(1, size().width - 2 * kPadding);
    int x = offsets_[std::size_t(std::clamp(caret_, 0, length()))];
    if (x - scroll_ < 0) {
        scroll_ = x;
    } else if (x - scroll_ > width - 1) {
        scroll_ = x - width + 1;
    }
    // No blank space past the end while text is scrolled out at the start.
    int total = offsets_.back();
    scroll_ = std::clamp(scroll_, 0, std::max(0, total - width + 1));
    if (x - scroll_ > width - 1) {
        scroll_ = x - width + 1;
    }
}

void EditField::textChanged() {
    relayout();
    invalidate();
    restartBlink();
    notifyParent(notify::EditChange);
}

void EditField::notifyParent(int code) {
    if (Window* p = parent()) {
        p->send(msg::Command, makeWParam(id(), code), handleParam(handle()));
    }
}

void EditField::eraseSelection() {
    auto [from, to] = selection();
    text_.erase(std::size_t(from), std::size_t(to - from));
    caret_ = anchor_ = from;
}

bool EditField::insert(std::u32string chars) {
    auto [from, to] = selection();
    int room = maxLength_ > 0 ? maxLength_ - (length() - (to - from)) : int(chars.size());
    room = std::max(room, 0);
    bool cut = int(chars.size()) > room;
    if (cut) {
        chars.resize(std::size_t(room));
    }
    bool changed = !chars.empty() || from != to;
    if (changed) {
        eraseSelection();
        text_.insert(std::size_t(caret_), chars);
        caret_ = anchor_ = caret_ + int(chars.size());
    }
    if (cut) {
        notifyParent(notify::EditMaxText);
    }
    return changed;
}

void EditField::moveCaret(int to, bool extend) {
    caret_ = std::clamp(to, 0, length());
    if (!extend) {
        anchor_ = caret_;
    }
    ensureCaretVisible();
    restartBlink();
    invalidate();
}

int EditField::indexAt(int x) const {
    int at = x - kPadding + scroll_;
    // The nearest boundary.
    auto it = std::lower_bound(offsets_.begin(), offsets_.end(), at);
    if (it == offsets_.end()) {
        return length();
    }
    int i = int(it - offsets_.begin());
    if (i > 0 && at - offsets_[std::size_t(i - 1)] < *it - at) {
        --i;
    }
    return i;
}

int EditField::wordStart(int from) const {
    int i = from;
    while (i > 0 && !isWordChar(text_[std::size_t(i - 1)])) {
        --i;
    }
    while (i > 0 && isWordChar(text_[std::size_t(i - 1)])) {
        --i;
    }
    return i;
}

int EditField::wordEnd(int from) const {
    int i = from;
    int n = length();
    while (i < n && isWordChar(text_[std::size_t(i)])) {
        ++i;
    }
    while (i < n && !isWordChar(text_[std::size_t(i)])) {
        ++i;
    }
    return i;
}

void EditField::restartBlink() {
    caretOn_ = true;
    if (hasFocus()) {
        setTimer(kBlinkTimer, kBlinkPeriod);
    }
}

void EditField::paint(gfx::Painter& painter) {
    Window::paint(painter);
    gfx::Rect line{textX(0), 0, textX(0) + offsets_.back() + 1, size().height};
    painter.setFont(font_);
    auto [from, to] = selection();
    bool showSelection = from != to && (hasFocus() || !style_.hideSelection);
    {
        gfx::PainterSave saved(painter);
        painter.clip(gfx::Rect{kPadding, 0, size().width - kPadding, size().height});
        painter.setTextColor(isEnabled() ? textColor_ : syscolor::GrayText);
        painter.drawText(utf8_, line, kLineFormat);
        if (showSelection) {
            gfx::Rect sel{textX(from), caretRect().top, textX(to), caretRect().bottom};
            painter.clip(sel);
            painter.fill(sel, syscolor::Highlight);
            painter.setTextColor(syscolor::HighlightText);
            painter.drawText(utf8_, line, kLineFormat);
        }
    }
    if (caretShown() && from == to) {
        painter.fill(caretRect(), textColor_);
    }
}

void EditField::onButtonDown(MouseButton button, gfx::Point p, unsigned keys) {
    if (button != MouseButton::Left) {
        return;
    }
    setFocus();
    moveCaret(indexAt(p.x), (keys & mk::Shift) != 0);
    selecting_ = true;
    setCapture();
}

void EditField::onDoubleClick(MouseButton button, gfx::Point p, unsigned) {
    if (button != MouseButton::Left) {
        return;
    }
    int at = indexAt(p.x);
    int start = at;
    while (start > 0 && isWordChar(text_[std::size_t(start - 1)])) {
        --start;
    }
    int end = at;
    while (end < length() && isWordChar(text_[std::size_t(end)])) {
        ++end;
    }
    setSelection(start, end);
}

void EditField::onMouseMove(gfx::Point p, unsigned) {
    if (selecting_) {
        moveCaret(indexAt(p.x), true);
    }
}

void EditField::onButtonUp(MouseButton button, gfx::Point, unsigned) {
    if (button == MouseButton::Left && selecting_) {
        selecting_ = false;
        if (hasCapture()) {
            releaseCapture();
        }
    }
}

void EditField::onCaptureChanged(WindowHandle) {
    selecting_ = false;
}

void EditField::onKeyDown(int key, bool) {
    unsigned mods = desktop() != nullptr ? desktop()->modifiers() : 0;
    bool shift = (mods & display::modifier::Shift) != 0;
    bool control = (mods & display::modifier::Control) != 0;
    switch (key) {
    case display::key::Left:
        if (!shift && caret_ != anchor_) {
            moveCaret(selection().first, false);
        } else {
            moveCaret(control ? wordStart(caret_) : caret_ - 1, shift);
        }
        return;
    case display::key::Right:
        if (!shift && caret_ != anchor_) {
            moveCaret(selection().second, false);
        } else {
            moveCaret(control ? wordEnd(caret_) : caret_ + 1, shift);
        }
        return;
    case display::key::Home:
        moveCaret(0, shift);
        return;
    case display::key::End:
        moveCaret(length(), shift);
        return;
    case display::key::Delete:
        if (caret_ == anchor_) {
            if (caret_ >= length()) {
                return;
            }
            anchor_ = caret_ + 1;
        }
        eraseSelection();
        textChanged();
        return;
    default:
        return;
    }
}

void EditField::onChar(char32_t ch) {
    if (ch == 1) { // Control+A
        selectAll();
        return;
    }
    if (ch == 8) {
        if (caret_ == anchor_) {
            if (caret_ == 0) {
                return;
            }
            anchor_ = caret_ - 1;
        }
        eraseSelection();
        textChanged();
        return;
    }
    if (ch < 0x20 || ch == 0x7F) {
        return;
    }
    if (style_.digitsOnly && (ch < U'0' || ch > U'9')) {
        return;
    }
    if (insert(std::u32string(1, ch))) {
        textChanged();
    }
}

void EditField::onSetFocus(WindowHandle) {
    restartBlink();
    invalidate();
    notifyParent(notify::EditSetFocus);
}

void EditField::onKillFocus(WindowHandle) {
    killTimer(kBlinkTimer);
    selecting_ = false;
    invalidate();
    notifyParent(notify::EditKillFocus);
}

void EditField::onTimer(TimerId id) {
    if (id != kBlinkTimer) {
        return;
    }
    if (!hasFocus()) {
        killTimer(kBlinkTimer);
        return;
    }
    caretOn_ = !caretOn_;
    invalidate(caretRect());
}

void EditField::onSize(gfx::Size) {
    ensureCaretVisible();
    invalidate();
}

} // namespace lumetta::ui
