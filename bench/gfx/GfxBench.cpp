// What a skinned window costs to draw: the cut-and-caption work of its controls, measured on
// surfaces without a window so that only the drawing counts.
#include "platform/gfx/Painter.h"
#include "platform/gfx/Picture.h"
#include "platform/gfx/Text.h"

#include <benchmark/benchmark.h>

#include <string>
#include <vector>

namespace {

using namespace lumetta::gfx;

constexpr TextFormat kCaptionFlags =
    TextFormat::Center | TextFormat::VCenter | TextFormat::SingleLine | TextFormat::EndEllipsis;

// A dialog-sized picture with some variation, as a skin background would have.
Surface skinPicture(int w, int h, std::uint8_t tint) {
    Surface s(w, h);
    for (int y = 0; y < h; ++y) {
        auto row = s.row(y);
        for (int x = 0; x < w; ++x) {
            row[std::size_t(x)] =
                makePixel(255, std::uint8_t(x * 255 / w), tint, std::uint8_t(y * 255 / h));
        }
    }
    return s;
}

Font captionFont() {
    return Font::create("DejaVu Sans", 14, 500);
}

// One button caption that did not change, drawn into the button's own off-screen picture as a
// skinned button does on every paint: the look, then the caption.
void BM_CachedCaption(benchmark::State& state) {
    Surface look = skinPicture(120, 30, 40);
    Surface button(120, 30);
    Painter p(button);
    p.setFont(captionFont());
    p.setTextColor(0xFFFFFF);
    for (auto _ : state) {
        p.copy(look, Point{0, 0});
        p.drawText("Apply", Rect{0, 0, 120, 30}, kCaptionFlags);
    }
    benchmark::DoNotOptimize(button.pixel(60, 15));
}
BENCHMARK(BM_CachedCaption)->Unit(benchmark::kMicrosecond);

// The caption alone.
void BM_CachedCaptionTextOnly(benchmark::State& state) {
    Surface button(120, 30);
    Painter p(button);
    p.setFont(captionFont());
    for (auto _ : state) {
        p.drawText("Apply", Rect{0, 0, 120, 30}, kCaptionFlags);
    }
}
BENCHMARK(BM_CachedCaptionTextOnly)->Unit(benchmark::kMicrosecond);

// A caption whose text changes on every draw (a counter), so that nothing is cached.
void BM_ChangingCaption(benchmark::State& state) {
    Surface button(120, 30);
    Painter p(button);
    p.setFont(captionFont());
    int n = 0;
    for (auto _ : state) {
        p.drawText("Value " + std::to_string(n++), Rect{0, 0, 120, 30}, kCaptionFlags);
    }
}
BENCHMARK(BM_ChangingCaption)->Unit(benchmark::kMicrosecond);

// A whole window repainted: background copy, then each control paints its look cut from the
// hover picture at its rectangle and its caption, in its own coordinates.
void BM_FullRepaint(benchmark::State& state) {
    int w = int(state.range(0));
    int h = int(state.range(1));
    int controls = int(state.range(2));
    Surface background = skinPicture(w, h, 20);
    Surface over = skinPicture(w, h, 120);
    Surface window(w, h);
    int cw = w / 18;
    int ch = h / 40;
    std::vector<Rect> rects;
    std::vector<std::string> captions;
    for (int i = 0; i < controls; ++i) {
        int col = i % 15;
        int row = i / 15;
        rects.push_back(Rect::fromSize(10 + col * (cw + 4), 10 + row * (ch + 6), cw, ch));
        captions.push_back("Button " + std::to_string(i));
    }
    Font font = captionFont();
    for (auto _ : state) {
        Painter p(window);
        p.copy(background, Point{0, 0});
        p.setFont(font);
        p.setTextColor(0x565656);
        for (std::size_t i = 0; i < rects.size(); ++i) {
            const Rect& r = rects[i];
            PainterSave saved(p);
            p.translate(r.left, r.top);
            p.clip(Rect{0, 0, r.width(), r.height()});
            p.copy(over, r, Point{0, 0});
            p.drawText(captions[i], Rect{0, 0, r.width(), r.height()}, kCaptionFlags);
        }
    }
    state.counters["controls"] = controls;
}
BENCHMARK(BM_FullRepaint)
    ->Args({2500, 1563, 150})
    ->Args({1366, 768, 150})
    ->Unit(benchmark::kMillisecond);

void BM_LoadPicturePng(benchmark::State& state) {
    std::vector<std::uint8_t> png = skinPicture(800, 500, 60).encodePng();
    for (auto _ : state) {
        LoadedPicture p = loadPicture(png);
        benchmark::DoNotOptimize(p.surface.pixel(1, 1));
    }
}
BENCHMARK(BM_LoadPicturePng)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
