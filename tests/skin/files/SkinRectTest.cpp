// Control entries "name,x,y,w,h,text,flag" and skin numbers.
#include "skin/files/SkinRect.h"

#include <gtest/gtest.h>

#include <climits>
#include <string>
#include <vector>

namespace lumetta {
namespace {

TEST(SkinRect, ParsesControlEntries) {
    struct Case {
        std::u16string value;
        SkinRect rect;
    };
    const std::vector<Case> cases = {
        {u"RECT_UPDATE,0,368,500,16, FALSE,FALSE", {0, 368, 500, 384, u" FALSE", 0}},
        {u",279,99,97,16,,FALSE", {279, 99, 376, 115, u"", 0}},
        {u"BUTTON_OK,190,222,65,26,,FALSE", {190, 222, 255, 248, u"", 0}},
        {u"B, 1, 2, 3, 4,txt,7", {1, 2, 4, 6, u"txt", 7}},
        {u"B,-5,-6,10,10,t,-1", {-5, -6, 5, 4, u"t", -1}},
        {u"K,5,x,1,1,,3", {5, 0, 5, 0, u"", 3}},
        {u"K,1 ,2,3,4,,1", {1, 0, 1, 0, u"", 1}},
        {u"K,1,2,3,4", {1, 2, 4, 6, u"3", 4}},
        {u"K,2147483647,0,10,0,,0", {INT_MAX, 0, INT_MAX, 0, u"", 0}},
        {u"K,1,2,3,4,,12abc", {1, 2, 4, 6, u"", 12}},
        {u"K,99999999999999,1,1,1,,1", {INT_MAX, 1, INT_MAX, 2, u"", 1}},
        {u"NAME", {}},
        {u"", {}},
        {u",", {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.value.begin(), c.value.end()));
        EXPECT_EQ(ParseSkinRect(c.value), c.rect);
    }
}

TEST(SkinRect, Numbers) {
    struct Case {
        std::u16string text;
        int32_t number;
    };
    const std::vector<Case> cases = {
        {u"12", 12},
        {u"  7", 7},
        {u"-3", -3},
        {u"+4", 4},
        {u"FALSE", 0},
        {u"12abc", 12},
        {u"", 0},
        {u"-", 0},
        {u"99999999999", INT_MAX},
        {u"-99999999999", INT_MIN},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.text.begin(), c.text.end()));
        EXPECT_EQ(SkinNumber(c.text), c.number);
    }
}

} // namespace
} // namespace lumetta
