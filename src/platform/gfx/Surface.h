#pragma once

#include "platform/gfx/Color.h"
#include "platform/gfx/Geometry.h"

#include <cstdint>
#include <filesystem>
#include <span>
#include <vector>

struct _cairo_surface;

namespace lumetta::gfx {

// The largest picture side any surface may have; larger requests give an empty surface.
inline constexpr int kMaxSurfaceSide = 16384;

// A 32-bit premultiplied picture (0xAARRGGBB words, see Color.h). Owns its pixels; moves, never
// copies implicitly. An empty surface (no pixels) stands for "no picture" and is valid
// everywhere: drawing from it does nothing, reading from it gives transparent black.
class Surface {
public:
    Surface() = default;
    // Transparent black pixels; empty when a side is not positive or above kMaxSurfaceSide,
    // or memory is short.
    Surface(int width, int height);
    // A surface over pixels it does not own, such as a display's framebuffer: stride counts
    // pixels, and the memory must outlive the surface. Empty when a size is out of range.
    static Surface over(Pixel* pixels, int width, int height, int stride);
    ~Surface();
    Surface(Surface&& other) noexcept;
    Surface& operator=(Surface&& other) noexcept;
    Surface(const Surface&) = delete;
    Surface& operator=(const Surface&) = delete;

    bool empty() const { return surface_ == nullptr; }
    explicit operator bool() const { return !empty(); }
    int width() const { return width_; }
    int height() const { return height_; }
    Size size() const { return {width_, height_}; }
    Rect bounds() const { return {0, 0, width_, height_}; }
    // Distance between rows, in pixels.
    int stride() const { return stride_; }

    // Whole-row access for loops. The mutable form tells the compositor the pixels changed.
    std::span<const Pixel> row(int y) const;
    std::span<Pixel> row(int y);

    // Out-of-range reads give 0; out-of-range writes are ignored.
    Pixel pixel(int x, int y) const;
    void setPixel(int x, int y, Pixel value);
    // The colour a pixel shows (alpha dropped), as the system's 0x00BBGGRR.
    SysColor colorAt(int x, int y) const;

    void fill(Pixel value);
    Surface clone() const;
    // A new surface of rect's size holding that part of this one; parts outside are
    // transparent. Empty when rect is empty or this surface is.
    Surface crop(const Rect& rect) const;

    bool savePng(const std::filesystem::path& path) const;
    std::vector<std::uint8_t> encodePng() const;

    // For the painter and the text engine only.
    _cairo_surface* native() const { return surface_; }

private:
    _cairo_surface* surface_ = nullptr;
    int width_ = 0;
    int height_ = 0;
    int stride_ = 0; // in pixels
    Pixel* data_ = nullptr;
};

} // namespace lumetta::gfx
