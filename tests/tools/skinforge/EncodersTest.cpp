#include "Encoders.h"
#include "LayoutDocument.h"

#include "platform/gfx/Picture.h"
#include "platform/gfx/Region.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace skinforge {
namespace {

std::string maskText(int w, int h, double radius) {
    std::vector<std::uint8_t> inside = roundedMask(w, h, radius);
    std::string text;
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            text += inside[std::size_t(y) * w + x] ? '#' : '.';
        }
        text += '\n';
    }
    return text;
}

TEST(RoundedMask, CutsTheCornersByPixelCentres) {
    struct Row {
        int w, h;
        double radius;
        std::string expected;
    };
    const Row rows[] = {
        {4, 3, 0, "####\n####\n####\n"},
        {6, 4, 2, ".####.\n######\n######\n.####.\n"},
        {8, 6, 3, ".######.\n########\n########\n########\n########\n.######.\n"},
        // A radius larger than the shape allows is held to half its shorter side.
        {10, 4, 9, ".########.\n##########\n##########\n.########.\n"},
    };
    for (const Row& row : rows) {
        EXPECT_EQ(maskText(row.w, row.h, row.radius), row.expected)
            << row.w << "x" << row.h << " r" << row.radius;
    }
}

// What the programs build the window region from: black (not white) inside, white outside.
TEST(MaskBmp, DecodesToTheSameShape) {
    for (int w : {1, 7, 32, 33, 70}) {
        const int h = 9;
        std::vector<std::uint8_t> inside = roundedMask(w, h, 3);
        lumetta::gfx::LoadedPicture p = lumetta::gfx::loadPicture(encodeMaskBmp(inside, w, h));
        ASSERT_TRUE(p.ok()) << w << ": " << p.detail;
        ASSERT_EQ(p.surface.width(), w);
        ASSERT_EQ(p.surface.height(), h);
        lumetta::gfx::Region region = lumetta::gfx::regionFromPicture(p.surface);
        for (int y = 0; y < h; ++y) {
            for (int x = 0; x < w; ++x) {
                bool in = inside[std::size_t(y) * w + x] != 0;
                EXPECT_EQ(region.contains(lumetta::gfx::Point{x, y}), in)
                    << w << ": " << x << "," << y;
                EXPECT_EQ(p.surface.colorAt(x, y), in ? 0x000000u : 0xFFFFFFu);
            }
        }
    }
}

TEST(Utf16Le, EncodesWithByteOrderMarkAndRefusesBrokenText) {
    struct Row {
        std::string utf8;
        bool ok;
        std::vector<std::uint8_t> expected; // after the mark
    };
    const Row rows[] = {
        {"", true, {}},
        {"A<", true, {'A', 0, '<', 0}},
        {"\xC3\xA9", true, {0xE9, 0}},
        {"\xE2\x82\xAC", true, {0xAC, 0x20}},
        {"\xF0\x9F\x98\x80", true, {0x3D, 0xD8, 0x00, 0xDE}},
        {"\xC3", false, {}},             // cut short
        {"\x80", false, {}},             // continuation alone
        {"\xC0\xAF", false, {}},         // overlong
        {"\xED\xA0\x80", false, {}},     // surrogate
        {"\xF4\x90\x80\x80", false, {}}, // beyond U+10FFFF
    };
    for (const Row& row : rows) {
        std::vector<std::uint8_t> out;
        EXPECT_EQ(encodeUtf16Le(row.utf8, out), row.ok) << testing::PrintToString(row.utf8);
        if (row.ok) {
            std::vector<std::uint8_t> expected{0xFF, 0xFE};
            expected.insert(expected.end(), row.expected.begin(), row.expected.end());
            EXPECT_EQ(out, expected) << testing::PrintToString(row.utf8);
        }
    }
}

TEST(LayoutDocument, GroupsEntriesBySectionAndEscapes) {
    std::vector<LayoutEntry> entries{
        {"A", "K1", controlValue("K1", 1, 2, 3, 4), {}},
        {"B", "K2", "x<&>\"y", {{"FONT", "a\"b"}}},
        {"A", "K3", "0", {{"COLOR", "255"}, {"SIZE", "14"}}},
    };
    EXPECT_EQ(layoutDocumentText("root", entries),
              "<?xml version=\"1.0\" encoding=\"UTF-16\"?>\r\n<root>\r\n"
              "  <A>\r\n    <K1>K1,1,2,3,4,,FALSE</K1>\r\n"
              "    <K3 COLOR=\"255\" SIZE=\"14\">0</K3>\r\n  </A>\r\n"
              "  <B>\r\n    <K2 FONT=\"a&quot;b\">x&lt;&amp;&gt;&quot;y</K2>\r\n  </B>\r\n"
              "</root>\r\n");
}

TEST(Jpeg, IsBaselineAtFullColourResolution) {
    const int w = 16, h = 8;
    std::vector<std::uint8_t> rgb(std::size_t(w) * h * 3);
    for (std::size_t i = 0; i < rgb.size(); i += 3) {
        rgb[i] = 0xD0;
        rgb[i + 1] = 0x20;
        rgb[i + 2] = 0x2E;
    }
    std::vector<std::uint8_t> jpeg = encodeJpeg(rgb, w, h);
    lumetta::gfx::LoadedPicture p = lumetta::gfx::loadPicture(jpeg);
    ASSERT_TRUE(p.ok()) << p.detail;
    lumetta::gfx::SysColor c = p.surface.colorAt(5, 5);
    EXPECT_NEAR(int(c & 0xFF), 0xD0, 3);
    EXPECT_NEAR(int((c >> 8) & 0xFF), 0x20, 3);
    EXPECT_NEAR(int((c >> 16) & 0xFF), 0x2E, 3);
    // Start of frame, baseline (FFC0): three components, each sampled 1x1 (0x11).
    std::size_t sof = 0;
    for (std::size_t i = 0; i + 1 < jpeg.size() && sof == 0; ++i) {
        if (jpeg[i] == 0xFF && jpeg[i + 1] == 0xC0) {
            sof = i;
        }
    }
    ASSERT_NE(sof, 0u) << "no baseline frame";
    ASSERT_LT(sof + 17, jpeg.size());
    EXPECT_EQ(jpeg[sof + 9], 3);
    for (int c = 0; c < 3; ++c) {
        EXPECT_EQ(jpeg[sof + 11 + 3 * c], 0x11) << "component " << c;
    }
}

} // namespace
} // namespace skinforge
