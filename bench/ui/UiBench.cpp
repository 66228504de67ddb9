// What repainting costs through the window layer: the invalidation, the tree walk with each
// control's clip and origin, the controls' own drawing into the display's framebuffer, and the
// present. Runs on the headless display, whose present costs nothing, so only our side counts.
#include "platform/display/headless/HeadlessDisplay.h"
#include "platform/gfx/Painter.h"
#include "platform/ui/Desktop.h"
#include "platform/ui/PushButton.h"

#include <benchmark/benchmark.h>

#include <memory>
#include <string>
#include <vector>

namespace {

using namespace lumetta;
using gfx::Rect;

constexpr gfx::TextFormat kCaption = gfx::TextFormat::Center | gfx::TextFormat::VCenter |
                                     gfx::TextFormat::SingleLine | gfx::TextFormat::EndEllipsis;

gfx::Surface picture(int w, int h, std::uint8_t tint) {
    gfx::Surface s(w, h);
    for (int y = 0; y < h; ++y) {
        auto row = s.row(y);
        for (int x = 0; x < w; ++x) {
            row[std::size_t(x)] =
                gfx::makePixel(255, std::uint8_t(x * 255 / w), tint, std::uint8_t(y * 255 / h));
        }
    }
    return s;
}

// A window whose whole surface is a picture, as a skinned dialog is.
class PictureWindow : public ui::Window {
public:
    explicit PictureWindow(const gfx::Surface& background) : background_(background) {}

protected:
    void paint(gfx::Painter& p) override { p.copy(background_, gfx::Point{0, 0}); }

private:
    const gfx::Surface& background_;
};

// A button whose look is cut from a dialog-sized picture at its own rectangle, with a caption.
class CutButton : public ui::PushButton {
public:
    explicit CutButton(const gfx::Surface& looks) : looks_(looks) {}

protected:
    void drawItem(gfx::Painter& p, const DrawState&) override {
        p.copy(looks_, rect(), gfx::Point{0, 0});
        p.setFont(font());
        p.setTextColor(0x565656);
        p.drawText(text(), clientRect(), kCaption);
    }

private:
    const gfx::Surface& looks_;
};

struct Scene {
    std::unique_ptr<ui::Desktop> desktop;
    gfx::Surface background;
    gfx::Surface looks;
    std::unique_ptr<PictureWindow> window;
    std::vector<std::unique_ptr<CutButton>> buttons;

    Scene(int w, int h, int controls) {
        display::HeadlessDisplay::Options options;
        options.screen = {w + 100, h + 100};
        desktop =
            std::make_unique<ui::Desktop>(std::make_unique<display::HeadlessDisplay>(options));
        background = picture(w, h, 20);
        looks = picture(w, h, 120);
        window = std::make_unique<PictureWindow>(background);
        ui::CreateParams params;
        params.rect = {0, 0, w, h};
        params.visible = true;
        window->create(params);
        int cw = w / 18;
        int ch = h / 40;
        for (int i = 0; i < controls; ++i) {
            int col = i % 15;
            int row = i / 15;
            auto b = std::make_unique<CutButton>(looks);
            b->create(*window, Rect::fromSize(10 + col * (cw + 4), 10 + row * (ch + 6), cw, ch), 0,
                      "Button " + std::to_string(i));
            buttons.push_back(std::move(b));
        }
        desktop->processPending();
    }
};

void BM_FullRepaint(benchmark::State& state) {
    Scene scene(int(state.range(0)), int(state.range(1)), int(state.range(2)));
    for (auto _ : state) {
        scene.window->invalidate();
        scene.window->update();
    }
    state.counters["controls"] = double(scene.buttons.size());
}
BENCHMARK(BM_FullRepaint)
    ->Args({2500, 1563, 150})
    ->Args({1366, 768, 150})
    ->Unit(benchmark::kMillisecond)
    ->Repetitions(5)
    ->ReportAggregatesOnly(true);

// One button whose caption did not change, repainted as a hover change repaints it: the
// window beneath it clipped to the button, then the button.
void BM_UnchangedButtonCaption(benchmark::State& state) {
    Scene scene(800, 500, 1);
    CutButton& button = *scene.buttons.front();
    for (auto _ : state) {
        button.invalidate();
        button.update();
    }
}
BENCHMARK(BM_UnchangedButtonCaption)
    ->Unit(benchmark::kMicrosecond)
    ->Repetitions(5)
    ->ReportAggregatesOnly(true);

} // namespace

BENCHMARK_MAIN();
