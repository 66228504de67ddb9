#include "platform/gfx/Surface.h"
#include "platform/gfx/Picture.h"

#include <gtest/gtest.h>

namespace lumetta::gfx {
namespace {

TEST(Color, SystemColoursConvertAtTheEdge) {
    struct Case {
        SysColor color;
        std::uint8_t alpha;
        Pixel stored;
    };
    const Case cases[] = {
        {0x000000FF, 255, 0xFFFF0000}, // red is the low byte of a system colour
        {0x0000FF00, 255, 0xFF00FF00}, {0x00FF0000, 255, 0xFF0000FF},
        {0x00123456, 255, 0xFF563412}, {0x00FFFFFF, 128, 0x80808080}, // premultiplied
        {0x000000FF, 0, 0x00000000},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(pixelFromSysColor(c.color, c.alpha), c.stored) << std::hex << c.color;
        if (c.alpha == 255) {
            EXPECT_EQ(sysColorFromPixel(c.stored), c.color) << std::hex << c.color;
        }
    }
    EXPECT_EQ(sysColorFromPixel(pixelFromSysColor(0x00204080, 64)), 0x00204080u);
}

TEST(Surface, SizesAccessAndCrop) {
    EXPECT_TRUE(Surface(0, 5).empty());
    EXPECT_TRUE(Surface(5, -1).empty());
    EXPECT_TRUE(Surface(kMaxSurfaceSide + 1, 1).empty());
    Surface s(3, 2);
    ASSERT_FALSE(s.empty());
    EXPECT_EQ(s.pixel(1, 1), 0u); // starts transparent
    s.setPixel(2, 1, 0xFF112233);
    s.setPixel(3, 1, 0xFFFFFFFF); // outside: ignored
    s.setPixel(-1, 0, 0xFFFFFFFF);
    EXPECT_EQ(s.pixel(2, 1), 0xFF112233u);
    EXPECT_EQ(s.pixel(3, 1), 0u);
    EXPECT_EQ(s.colorAt(2, 1), 0x00332211u);

    Surface part = s.crop(Rect{1, 0, 4, 3}); // partly outside
    ASSERT_EQ(part.size(), (Size{3, 3}));
    EXPECT_EQ(part.pixel(1, 1), 0xFF112233u);
    EXPECT_EQ(part.pixel(2, 1), 0u);
    EXPECT_EQ(part.pixel(0, 2), 0u);
    EXPECT_TRUE(s.crop(Rect{2, 2, 2, 5}).empty());
    EXPECT_TRUE(Surface().crop(Rect{0, 0, 2, 2}).empty());

    Surface copy = s.clone();
    copy.setPixel(0, 0, 0xFF000000);
    EXPECT_EQ(s.pixel(0, 0), 0u);
}

TEST(Surface, PngRoundTripKeepsPixelsAndAlpha) {
    Surface s(4, 2);
    s.setPixel(0, 0, pixelFromSysColor(0x0000FF));
    s.setPixel(1, 0, pixelFromSysColor(0x00FF00, 128));
    s.setPixel(2, 1, pixelFromSysColor(0xFFFFFF, 255));
    std::vector<std::uint8_t> png = s.encodePng();
    LoadedPicture back = loadPicture(png);
    ASSERT_TRUE(back.ok()) << back.detail;
    for (int y = 0; y < 2; ++y) {
        for (int x = 0; x < 4; ++x) {
            EXPECT_EQ(back.surface.pixel(x, y), s.pixel(x, y)) << x << "," << y;
        }
    }
    EXPECT_TRUE(Surface().encodePng().empty());
    EXPECT_FALSE(s.savePng("/nonexistent-folder/x.png"));
}

} // namespace
} // namespace lumetta::gfx
