#include "updater/resources/UpdaterResources.h"

#include "platform/gfx/Picture.h"
#include "platform/gfx/Region.h"
#include "skin/files/SkinLookup.h"
#include "skin/files/SkinRect.h"
#include "skin/files/XmlDoc.h"

#include <gtest/gtest.h>

#include <cmath>
#include <set>
#include <string>

namespace lumetta {
namespace {

using gfx::Rect;
using gfx::Surface;

std::string narrow(std::u16string_view s) {
    return std::string(s.begin(), s.end());
}

Surface picture(const char* type, int id) {
    gfx::LoadedPicture p = gfx::loadPicture(findResource(type, id));
    EXPECT_TRUE(p.ok()) << type << " " << id << ": " << p.detail;
    return std::move(p.surface);
}

XmlDoc layoutDocument() {
    std::span<const std::uint8_t> bytes = findResource("XML", updater_res::kLayout);
    XmlDoc doc;
    doc.LoadFromMemory(std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()));
    EXPECT_TRUE(doc.ParseText()) << narrow(doc.LoadReport());
    return doc;
}

Rect entryRect(XmlDoc& doc, const char16_t* section, const char16_t* key) {
    SkinRect r = ParseSkinRect(SkinValue(doc, section, key));
    return {r.left, r.top, r.right, r.bottom};
}

bool inside(const Rect& r, const Surface& s) {
    return !r.empty() && r.left >= 0 && r.top >= 0 && r.right <= s.width() &&
           r.bottom <= s.height();
}

// Mean absolute difference of the colour channels of two pictures over rect.
double meanDifference(const Surface& a, const Surface& b, const Rect& r) {
    double sum = 0;
    for (int y = r.top; y < r.bottom; ++y) {
        for (int x = r.left; x < r.right; ++x) {
            gfx::SysColor ca = a.colorAt(x, y);
            gfx::SysColor cb = b.colorAt(x, y);
            sum += std::abs(gfx::sysRed(ca) - gfx::sysRed(cb)) +
                   std::abs(gfx::sysGreen(ca) - gfx::sysGreen(cb)) +
                   std::abs(gfx::sysBlue(ca) - gfx::sysBlue(cb));
        }
    }
    return sum / (3.0 * r.width() * r.height());
}

struct Average {
    double red = 0, green = 0, blue = 0;
};

Average average(const Surface& s, const Rect& r) {
    Average a;
    for (int y = r.top; y < r.bottom; ++y) {
        for (int x = r.left; x < r.right; ++x) {
            gfx::SysColor c = s.colorAt(x, y);
            a.red += gfx::sysRed(c);
            a.green += gfx::sysGreen(c);
            a.blue += gfx::sysBlue(c);
        }
    }
    double n = double(r.width()) * r.height();
    return {a.red / n, a.green / n, a.blue / n};
}

TEST(UpdaterResources, FindsEveryResourceWithItsFormsSignature) {
    struct Row {
        const char* type;
        int id;
        std::vector<std::uint8_t> signature;
    };
    const std::vector<std::uint8_t> jpeg{0xFF, 0xD8, 0xFF};
    const std::vector<std::uint8_t> bmp{'B', 'M'};
    const std::vector<std::uint8_t> utf16{0xFF, 0xFE, '<', 0};
    std::vector<Row> rows{{"XML", 158, utf16},
                          {"BMP", 159, bmp},
                          {"BMP", 160, bmp},
                          {"jpg", 155, jpeg},
                          {"Jpg", 154, jpeg}};
    for (int id : {144, 145, 146, 147, 148, 149, 150, 151, 152, 153, 154, 155, 156, 157, 161}) {
        rows.push_back({"JPG", id, jpeg});
    }
    for (const Row& row : rows) {
        std::span<const std::uint8_t> bytes = findResource(row.type, row.id);
        ASSERT_GE(bytes.size(), row.signature.size()) << row.type << " " << row.id;
        EXPECT_TRUE(std::equal(row.signature.begin(), row.signature.end(), bytes.begin()))
            << row.type << " " << row.id;
    }
    EXPECT_EQ(embeddedResources().size(), 18u);
}

TEST(UpdaterResources, MissesCleanly) {
    struct Row {
        const char* type;
        int id;
    };
    for (Row row : {Row{"JPG", 158}, Row{"XML", 155}, Row{"PNG", 155}, Row{"", 155}, Row{"JPG", 0},
                    Row{"JPG", -155}, Row{"JPGX", 155}, Row{"JP", 155}, Row{"BMP", 161},
                    Row{"JPG", 155 + 65536}}) {
        EXPECT_TRUE(findResource(row.type, row.id).empty()) << row.type << " " << row.id;
    }
}

TEST(UpdaterLayoutDocument, IsUtf16WithExactlyItsEntries) {
    XmlDoc doc = layoutDocument();
    EXPECT_TRUE(doc.Flags() & XmlDoc::FlagUtf16Le);
    std::set<std::string> found;
    for (uint32_t i = 1; i < doc.Elements().Size(); ++i) {
        const ElementRecord& e = doc.Elements()[i];
        uint32_t depth = e.levelFlags & ElementRecord::LevelMask;
        std::string name = narrow(doc.ElementName(i));
        if (depth == 1) {
            EXPECT_EQ(name, "root");
        } else if (depth == 3) {
            found.insert(narrow(doc.ElementName(e.parent)) + "/" + name);
        } else if (depth != 2) {
            ADD_FAILURE() << "unexpected element " << name << " at depth " << depth;
        }
    }
    const std::set<std::string> expected{
        "CONFIRM/BUTTON_OK", "CONFIRM/BUTTON_CANCEL", "CONFIRM/BUTTON_CLOSE", "CONFIRM/RECT_LAYOUT",
        "CONFIRM/RECT_VER",  "CONFIRM/RECT_CUR_VER",  "UPDATE/BAR_ICON",      "UPDATE/RECT_UPDATE",
        "SUCCESS/BUTTON_OK", "SUCCESS/BUTTON_CLOSE"};
    EXPECT_EQ(found, expected);
    EXPECT_EQ(SkinValue(doc, u"UPDATE", u"BAR_ICON"), u"0");
    EXPECT_EQ(entryRect(doc, u"CONFIRM", u"BUTTON_CANCEL"), Rect{});
}

TEST(UpdaterLayoutDocument, TextAttributesAreUsable) {
    XmlDoc doc = layoutDocument();
    for (const char16_t* key : {u"RECT_LAYOUT", u"RECT_VER", u"RECT_CUR_VER"}) {
        std::u16string colour = SkinAttribute(doc, u"CONFIRM", key, u"COLOR");
        EXPECT_FALSE(colour.empty()) << narrow(key);
        EXPECT_GT(SkinNumber(colour), 0x808080) << narrow(key) << ": light text on dark ground";
    }
    // The font of RECT_VER serves all three texts: it must be readable and fit every rectangle.
    int size = SkinNumber(SkinAttribute(doc, u"CONFIRM", u"RECT_VER", u"SIZE"));
    EXPECT_GE(size, 12);
    EXPECT_FALSE(SkinAttribute(doc, u"CONFIRM", u"RECT_VER", u"FONT").empty());
    for (const char16_t* key : {u"RECT_LAYOUT", u"RECT_VER", u"RECT_CUR_VER"}) {
        EXPECT_GE(entryRect(doc, u"CONFIRM", key).height(), size) << narrow(key);
    }
}

TEST(UpdaterPictures, EveryRectangleFitsItsPicture) {
    XmlDoc doc = layoutDocument();
    Surface main = picture("JPG", updater_res::kMainNormal);
    for (int id : {updater_res::kMainOver, updater_res::kMainDisabled, updater_res::kMainMask}) {
        EXPECT_EQ(picture(id == updater_res::kMainMask ? "BMP" : "JPG", id).size(), main.size())
            << id;
    }
    for (const char16_t* key :
         {u"BUTTON_OK", u"BUTTON_CLOSE", u"RECT_LAYOUT", u"RECT_VER", u"RECT_CUR_VER"}) {
        EXPECT_TRUE(inside(entryRect(doc, u"CONFIRM", key), main)) << narrow(key);
    }
    // The bar's place comes from the entry, its size from the bar's background picture.
    Surface track = picture("JPG", updater_res::kBarBackground);
    Surface fill = picture("JPG", updater_res::kBarFill);
    Rect bar = entryRect(doc, u"UPDATE", u"RECT_UPDATE");
    EXPECT_EQ(fill.size(), track.size());
    EXPECT_EQ(bar.size(), track.size());
    EXPECT_TRUE(inside(Rect::fromSize(bar.left, bar.top, track.width(), track.height()), main));
    EXPECT_EQ(picture("JPG", updater_res::kBarIcon).height(), track.height());

    Surface resultMask = picture("BMP", updater_res::kResultMask);
    for (const auto& kind : updater_res::kResultPictures) {
        for (int id : kind) {
            EXPECT_EQ(picture("JPG", id).size(), resultMask.size()) << id;
        }
    }
    for (const char16_t* key : {u"BUTTON_OK", u"BUTTON_CLOSE"}) {
        EXPECT_TRUE(inside(entryRect(doc, u"SUCCESS", key), resultMask)) << narrow(key);
    }
}

TEST(UpdaterPictures, MasksAreRoundedWindows) {
    for (int id : {updater_res::kMainMask, updater_res::kResultMask}) {
        Surface mask = picture("BMP", id);
        gfx::Region region = gfx::regionFromPicture(mask);
        const int w = mask.width();
        const int h = mask.height();
        EXPECT_EQ(region.bounds(), mask.bounds()) << id;
        for (gfx::Point p :
             {gfx::Point{0, 0}, gfx::Point{w - 1, 0}, gfx::Point{0, h - 1},
              gfx::Point{w - 1, h - 1}, gfx::Point{1, 1}, gfx::Point{w - 2, h - 2}}) {
            EXPECT_FALSE(region.contains(p)) << id << " corner " << p.x << "," << p.y;
        }
        for (gfx::Point p : {gfx::Point{w / 2, 0}, gfx::Point{0, h / 2}, gfx::Point{w - 1, h / 2},
                             gfx::Point{w / 2, h - 1}, gfx::Point{w / 2, h / 2}}) {
            EXPECT_TRUE(region.contains(p)) << id << " edge " << p.x << "," << p.y;
        }
        // The four corners are cut alike.
        auto cut = [&](Rect corner) {
            gfx::Region outside(corner);
            outside.subtract(region);
            int n = 0;
            for (const Rect& r : outside.rects()) {
                n += r.width() * r.height();
            }
            return n;
        };
        int topLeft = cut({0, 0, 16, 16});
        EXPECT_GT(topLeft, 2) << id;
        EXPECT_EQ(cut({w - 16, 0, w, 16}), topLeft) << id;
        EXPECT_EQ(cut({0, h - 16, 16, h}), topLeft) << id;
        EXPECT_EQ(cut({w - 16, h - 16, w, h}), topLeft) << id;
    }
}

// The state pictures differ at the buttons only, and each look is recognisable: a light
// silver face, a crimson hover face, a grey disabled face.
TEST(UpdaterPictures, StatePicturesCarryTheButtonLooks) {
    XmlDoc doc = layoutDocument();
    struct Row {
        const char* window;
        const char16_t* section;
        int normal, over, disabled;
    };
    const auto& kinds = updater_res::kResultPictures;
    for (const Row& row : {Row{"main", u"CONFIRM", updater_res::kMainNormal, updater_res::kMainOver,
                               updater_res::kMainDisabled},
                           Row{"success", u"SUCCESS", kinds[0][0], kinds[0][1], kinds[0][2]},
                           Row{"failure", u"SUCCESS", kinds[1][0], kinds[1][1], kinds[1][2]},
                           Row{"refused", u"SUCCESS", kinds[2][0], kinds[2][1], kinds[2][2]}}) {
        Surface normal = picture("JPG", row.normal);
        Surface over = picture("JPG", row.over);
        Surface disabled = picture("JPG", row.disabled);
        Rect ok = entryRect(doc, row.section, u"BUTTON_OK");
        Rect face = ok.inflated(-ok.width() / 4, -ok.height() / 4);
        Average n = average(normal, face);
        Average o = average(over, face);
        Average d = average(disabled, face);
        EXPECT_GT(n.green, 170) << row.window << ": normal face is light";
        EXPECT_GT(o.red, o.green + 60) << row.window << ": hover face is crimson";
        EXPECT_LT(std::abs(d.red - d.blue), 25) << row.window << ": disabled face is grey";
        EXPECT_LT(d.green, n.green - 40) << row.window << ": disabled face is darker";
        EXPECT_GT(meanDifference(normal, over, entryRect(doc, row.section, u"BUTTON_CLOSE")), 8)
            << row.window << ": close button changes on hover";
        // Away from the buttons the three pictures show the same window.
        Rect body{0, normal.height() / 3, normal.width(), ok.top - 4};
        EXPECT_LT(meanDifference(normal, over, body), 1.5) << row.window;
        EXPECT_LT(meanDifference(normal, disabled, body), 1.5) << row.window;
    }
}

// Each result kind's picture carries its own message, the frame and buttons stay the same.
TEST(UpdaterPictures, ResultKindsShowDifferentMessages) {
    XmlDoc doc = layoutDocument();
    const auto& kinds = updater_res::kResultPictures;
    Surface success = picture("JPG", kinds[0][0]);
    Surface failure = picture("JPG", kinds[1][0]);
    Surface refused = picture("JPG", kinds[2][0]);
    Rect ok = entryRect(doc, u"SUCCESS", u"BUTTON_OK");
    Rect message{0, 48, success.width(), ok.top - 4};
    EXPECT_GT(meanDifference(success, failure, message), 3);
    EXPECT_GT(meanDifference(success, refused, message), 3);
    EXPECT_GT(meanDifference(failure, refused, message), 3);
    EXPECT_LT(meanDifference(success, failure, ok), 1.5);
}

} // namespace
} // namespace lumetta
