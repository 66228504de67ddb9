#include "UiHarness.h"

#include <algorithm>

namespace lumetta::test {

UiHarness::UiHarness(gfx::Size screen, display::DisplayCapabilities caps) {
    display::HeadlessDisplay::Options options;
    options.screen = screen;
    options.clock = &clock_;
    options.advanceClockWhenIdle = true;
    options.capabilities = caps;
    auto display = std::make_unique<display::HeadlessDisplay>(options);
    display_ = display.get();
    desktop_ = std::make_unique<ui::Desktop>(std::move(display));
}

UiHarness::~UiHarness() = default;

void UiHarness::pump() {
    desktop_->processPending();
}

void UiHarness::advance(core::Duration by, core::Duration step) {
    pump();
    while (by > core::Duration::zero()) {
        core::Duration d = std::min(by, step);
        clock_.advance(d);
        by -= d;
        pump();
    }
}

gfx::Point UiHarness::inTopLevel(const ui::Window& window, gfx::Point p) const {
    gfx::Point off = window.offsetInTopLevel();
    return {p.x + off.x, p.y + off.y};
}

void UiHarness::move(const ui::Window& window, gfx::Point p) {
    display_->move(window.nativeWindow(), inTopLevel(window, p));
    pump();
}

void UiHarness::press(const ui::Window& window, gfx::Point p, display::MouseButton button) {
    display_->press(window.nativeWindow(), inTopLevel(window, p), button);
    pump();
}

void UiHarness::release(const ui::Window& window, gfx::Point p, display::MouseButton button) {
    display_->release(window.nativeWindow(), inTopLevel(window, p), button);
    pump();
}

void UiHarness::click(const ui::Window& window, gfx::Point p, display::MouseButton button) {
    press(window, p, button);
    release(window, p, button);
}

void UiHarness::doubleClick(const ui::Window& window, gfx::Point p) {
    display_->doubleClick(window.nativeWindow(), inTopLevel(window, p));
    pump();
}

void UiHarness::wheel(const ui::Window& window, gfx::Point p, int notches) {
    display_->wheel(window.nativeWindow(), inTopLevel(window, p), notches);
    pump();
}

void UiHarness::key(int key, unsigned modifiers) {
    display_->keyPress(key, modifiers);
    pump();
}

void UiHarness::type(const std::string& utf8) {
    display_->typeText(utf8);
    pump();
}

gfx::Surface UiHarness::snapshot(const ui::Window& window) {
    pump();
    const gfx::Surface* pixels = display_->windowPixels(window.nativeWindow());
    if (pixels == nullptr) {
        return {};
    }
    gfx::Point off = window.offsetInTopLevel();
    return pixels->crop(
        gfx::Rect::fromSize(off.x, off.y, window.size().width, window.size().height));
}

} // namespace lumetta::test
