#include "platform/gfx/Picture.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <fstream>
#include <string>
#include <vector>

namespace lumetta::gfx {
namespace {

const std::string kFixtures = LUMETTA_SOURCE_DIR "/tests/fixtures/pictures/";

std::vector<std::uint8_t> readFixture(const std::string& name) {
    std::ifstream in(kFixtures + name, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

// The 4 x 3 pattern every colour fixture shows (see make_pictures.py), as straight colours.
const SysColor kPattern[3][4] = {
    {sysColor(255, 0, 0), sysColor(0, 255, 0), sysColor(0, 0, 255), sysColor(255, 255, 255)},
    {sysColor(0, 0, 0), sysColor(255, 255, 0), sysColor(0, 255, 255), sysColor(255, 0, 255)},
    {sysColor(128, 128, 128), sysColor(0, 0, 128), sysColor(255, 128, 0), sysColor(255, 255, 255)},
};
const std::uint8_t kAlpha[3][4] = {{255, 128, 0, 255}, {64, 255, 255, 0}, {255, 255, 128, 255}};

enum class Expect { Pattern, PatternAlpha, Mono, Gray, IconMask, RleDelta };

Pixel expected(Expect kind, int x, int y) {
    SysColor c = kPattern[y][x];
    switch (kind) {
    case Expect::Pattern:
        return pixelFromSysColor(c);
    case Expect::PatternAlpha:
        return pixelFromSysColor(c, kAlpha[y][x]);
    case Expect::Mono:
        return (x + y) % 2 == 0 ? pixelFromSysColor(0) : pixelFromSysColor(0xFFFFFF);
    case Expect::Gray: {
        auto v = std::uint8_t(x * 85);
        return makePixel(255, v, v, v);
    }
    case Expect::IconMask:
        return (x == 3 && y == 0) || (x == 0 && y == 2) ? 0 : pixelFromSysColor(c);
    case Expect::RleDelta:
        if (y == 2 && x < 2) {
            return pixelFromSysColor(sysColor(255, 0, 0));
        }
        return y == 0 && x == 2 ? pixelFromSysColor(sysColor(0, 0, 255)) : 0;
    }
    return 0;
}

int channelDistance(Pixel a, Pixel b) {
    int worst = 0;
    for (int s = 0; s < 32; s += 8) {
        worst = std::max(worst, std::abs(int((a >> s) & 0xFF) - int((b >> s) & 0xFF)));
    }
    return worst;
}

struct DecodeCase {
    const char* file;
    Expect expect;
    int tolerance;
};

TEST(LoadPicture, DecodesEveryFormatAndDepth) {
    const DecodeCase cases[] = {
        {"bmp1.bmp", Expect::Mono, 0},
        {"bmp4.bmp", Expect::Pattern, 0},
        {"bmp8.bmp", Expect::Pattern, 0},
        {"bmp8_topdown.bmp", Expect::Pattern, 0},
        {"bmp8_core.bmp", Expect::Pattern, 0},
        {"bmp16_555.bmp", Expect::Pattern, 8},
        {"bmp16_565.bmp", Expect::Pattern, 8},
        {"bmp24.bmp", Expect::Pattern, 0},
        {"bmp24_topdown.bmp", Expect::Pattern, 0},
        {"bmp24_core.bmp", Expect::Pattern, 0},
        {"bmp32_noalpha.bmp", Expect::Pattern, 0},
        {"bmp32_alpha.bmp", Expect::PatternAlpha, 1},
        {"bmp32_v5.bmp", Expect::PatternAlpha, 1},
        {"bmp_rle8.bmp", Expect::Pattern, 0},
        {"bmp_rle4.bmp", Expect::Pattern, 0},
        {"bmp_rle8_delta.bmp", Expect::RleDelta, 0},
        {"png_rgb.png", Expect::Pattern, 0},
        {"png_rgba.png", Expect::PatternAlpha, 1},
        {"png_palette.png", Expect::Pattern, 0},
        {"png_gray.png", Expect::Gray, 0},
        {"ico_mixed.ico", Expect::IconMask, 0},
        {"ico_alpha.ico", Expect::PatternAlpha, 1},
        {"ico_png.ico", Expect::PatternAlpha, 1},
        {"gif.gif", Expect::Pattern, 0},
        {"jpeg_rgb.jpg", Expect::Pattern, 12},
        {"jpeg_progressive.jpg", Expect::Pattern, 12},
        {"jpeg_cmyk.jpg", Expect::Pattern, 24},
    };
    for (const DecodeCase& c : cases) {
        SCOPED_TRACE(c.file);
        LoadedPicture p = loadPicture(readFixture(c.file));
        ASSERT_TRUE(p.ok()) << p.detail;
        ASSERT_EQ(p.surface.size(), (Size{4, 3}));
        for (int y = 0; y < 3; ++y) {
            for (int x = 0; x < 4; ++x) {
                Pixel want = expected(c.expect, x, y);
                Pixel got = p.surface.pixel(x, y);
                EXPECT_LE(channelDistance(got, want), c.tolerance)
                    << "pixel (" << x << ", " << y << ") got " << std::hex << got << " want "
                    << want;
            }
        }
    }
}

TEST(LoadPicture, GifTransparencyAndGreyJpeg) {
    LoadedPicture gif = loadPicture(readFixture("gif_transparent.gif"));
    ASSERT_TRUE(gif.ok()) << gif.detail;
    EXPECT_EQ(gif.surface.pixel(3, 0), 0u); // white was made transparent
    EXPECT_EQ(gif.surface.pixel(0, 0), pixelFromSysColor(sysColor(255, 0, 0)));
    EXPECT_EQ(gif.surface.pixel(1, 2), pixelFromSysColor(sysColor(0, 0, 128)));

    LoadedPicture grey = loadPicture(readFixture("jpeg_gray.jpg"));
    ASSERT_TRUE(grey.ok()) << grey.detail;
    Pixel p = grey.surface.pixel(0, 1); // black stays black, every pixel is grey and opaque
    EXPECT_LE(channelDistance(p, makePixel(255, 0, 0, 0)), 12);
    for (int y = 0; y < 3; ++y) {
        for (int x = 0; x < 4; ++x) {
            Pixel q = grey.surface.pixel(x, y);
            EXPECT_EQ(pixelAlpha(q), 255);
            EXPECT_TRUE(pixelRed(q) == pixelGreen(q) && pixelGreen(q) == pixelBlue(q));
        }
    }
}

TEST(LoadPicture, FormatComesFromContentNotName) {
    auto dir = std::filesystem::temp_directory_path() / "lumetta-gfx-picture-test";
    std::filesystem::create_directories(dir);
    auto misnamed = dir / "really-a-png.bmp";
    std::filesystem::copy_file(kFixtures + "png_rgb.png", misnamed,
                               std::filesystem::copy_options::overwrite_existing);
    LoadedPicture p = loadPictureFile(misnamed);
    EXPECT_TRUE(p.ok()) << p.detail;
    EXPECT_EQ(p.surface.colorAt(2, 0), sysColor(0, 0, 255));

    LoadedPicture missing = loadPictureFile(dir / "no-such-file.png");
    EXPECT_EQ(missing.error, PictureError::CannotOpen);
    EXPECT_EQ(missing.systemError, ENOENT);
    std::filesystem::remove_all(dir);
}

// Little-endian writers for hand-made headers.
void put16(std::vector<std::uint8_t>& b, std::size_t at, unsigned v) {
    b[at] = std::uint8_t(v);
    b[at + 1] = std::uint8_t(v >> 8);
}
void put32(std::vector<std::uint8_t>& b, std::size_t at, std::uint32_t v) {
    put16(b, at, v & 0xFFFF);
    put16(b, at + 2, v >> 16);
}

std::vector<std::uint8_t> withChange(const char* file, std::size_t at, std::uint32_t value,
                                     int bytes = 4) {
    auto b = readFixture(file);
    if (bytes == 4) {
        put32(b, at, value);
    } else {
        put16(b, at, value);
    }
    return b;
}

std::vector<std::uint8_t> truncated(const char* file, std::size_t size) {
    auto b = readFixture(file);
    b.resize(std::min(size, b.size()));
    return b;
}

std::vector<std::uint8_t> bytesOf(std::initializer_list<std::uint8_t> list) {
    return list;
}

// A PNG header chunk claiming a size, with a correct checksum and nothing after it.
std::vector<std::uint8_t> pngClaiming(std::uint32_t w, std::uint32_t h) {
    auto b = readFixture("png_rgb.png");
    for (int i = 0; i < 4; ++i) {
        b[16 + i] = std::uint8_t(w >> (24 - 8 * i));
        b[20 + i] = std::uint8_t(h >> (24 - 8 * i));
    }
    // CRC over type and data of IHDR (bytes 12..28).
    std::uint32_t crc = 0xFFFFFFFFu;
    for (std::size_t i = 12; i < 29; ++i) {
        crc ^= b[i];
        for (int k = 0; k < 8; ++k) {
            crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1)));
        }
    }
    crc ^= 0xFFFFFFFFu;
    for (int i = 0; i < 4; ++i) {
        b[29 + i] = std::uint8_t(crc >> (24 - 8 * i));
    }
    return b;
}

struct BadCase {
    const char* name;
    std::vector<std::uint8_t> bytes;
    PictureError error;
};

TEST(LoadPicture, RefusesBrokenAndOversizedInput) {
    const BadCase cases[] = {
        {"empty", {}, PictureError::UnknownFormat},
        {"text", bytesOf({'h', 'e', 'l', 'l', 'o'}), PictureError::UnknownFormat},
        {"bmp file header only", truncated("bmp24.bmp", 14), PictureError::Malformed},
        {"bmp pixels cut", truncated("bmp24.bmp", 70), PictureError::Malformed},
        {"bmp header size 7", withChange("bmp24.bmp", 14, 7), PictureError::Malformed},
        {"bmp depth 7", withChange("bmp24.bmp", 28, 7, 2), PictureError::Malformed},
        {"bmp width 0", withChange("bmp24.bmp", 18, 0), PictureError::Malformed},
        {"bmp rle8 at depth 24", withChange("bmp24.bmp", 30, 1), PictureError::Malformed},
        {"bmp jpeg inside", withChange("bmp24.bmp", 30, 4), PictureError::Malformed},
        {"bmp width 16385", withChange("bmp24.bmp", 18, 16385), PictureError::TooLarge},
        {"bmp height -2^31", withChange("bmp24.bmp", 22, 0x80000000u), PictureError::TooLarge},
        {"bmp pixel offset past end", withChange("bmp24.bmp", 10, 100000), PictureError::Malformed},
        {"png too wide", pngClaiming(16385, 1), PictureError::TooLarge},
        {"png too many pixels", pngClaiming(16384, 16385), PictureError::TooLarge},
        {"png cut after header", truncated("png_rgb.png", 33), PictureError::Malformed},
        {"jpeg cut", truncated("jpeg_rgb.jpg", 40), PictureError::Malformed},
        {"gif cut", truncated("gif.gif", 20), PictureError::Malformed},
        {"gif frame cut", truncated("gif.gif", 80), PictureError::Malformed},
        {"ico entry outside file", withChange("ico_alpha.ico", 18, 5000), PictureError::Malformed},
        {"ico zero-size entry", withChange("ico_alpha.ico", 14, 0), PictureError::Malformed},
    };
    for (const BadCase& c : cases) {
        LoadedPicture p = loadPicture(c.bytes);
        EXPECT_EQ(p.error, c.error)
            << c.name << ": " << pictureErrorName(p.error) << " (" << p.detail << ")";
        EXPECT_TRUE(p.surface.empty()) << c.name;
    }
}

TEST(LoadPicture, LimitsAreChecked) {
    PictureLimits small{3, 100};
    EXPECT_EQ(loadPicture(readFixture("png_rgb.png"), small).error, PictureError::TooLarge);
    EXPECT_EQ(loadPicture(readFixture("bmp8.bmp"), small).error, PictureError::TooLarge);
    EXPECT_EQ(loadPicture(readFixture("gif.gif"), small).error, PictureError::TooLarge);
    EXPECT_EQ(loadPicture(readFixture("jpeg_rgb.jpg"), small).error, PictureError::TooLarge);
    PictureLimits fewPixels{16, 11};
    EXPECT_EQ(loadPicture(readFixture("bmp24.bmp"), fewPixels).error, PictureError::TooLarge);
    EXPECT_TRUE(loadPicture(readFixture("bmp24.bmp"), PictureLimits{4, 12}).ok());
}

TEST(LoadPicture, PaletteIndexPastPaletteReadsBlack) {
    // bmp8 has ten colours; point a pixel at entry 200.
    auto b = readFixture("bmp8.bmp");
    std::size_t pixels = b[10] | (b[11] << 8);
    b[pixels] = 200; // bottom row, first pixel = picture (0, 2)
    LoadedPicture p = loadPicture(b);
    ASSERT_TRUE(p.ok()) << p.detail;
    EXPECT_EQ(p.surface.pixel(0, 2), makePixel(255, 0, 0, 0));
    EXPECT_EQ(p.surface.colorAt(1, 2), sysColor(0, 0, 128));
}

} // namespace
} // namespace lumetta::gfx
