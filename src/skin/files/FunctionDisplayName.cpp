#include "skin/files/FunctionDisplayName.h"

#include "skin/files/SkinLookup.h"

#include <iterator>

namespace lumetta {
namespace {

constexpr std::u16string_view FuncList = u"FUNC_LIST";
constexpr std::u16string_view Function = u"FUNCTION";

// Effects 0x1000.., in id order; 0x100B has no name.
constexpr std::u16string_view Effects[] = {
    u"STATIC",     u"COLOR_WAVE",    u"CROSS_LINE",  u"SINGLE_KEY", u"CUSTOMIZE",  u"STAR_EFFECT",
    u"RAIN_DROP",  u"COLOR_CYCLE",   u"BREATH",      u"RIPPLE",     u"MULTILAYER", u"",
    u"GAME_SNAKE", u"SYSTEM_STATUS", u"AURORA_MODE", u"OFF",
};

// Sub-modes 0x1100.., in id order; 0x1104 and 0x1105 have no name.
constexpr std::u16string_view SubModes[] = {
    u"LEFT_RIGHT",     u"RIGHT_LEFT", u"TOP_BOTTOM",  u"BOTTOM_TOP", u"",      u"",
    u"SUB_CROSS_MODE", u"BACKGROUND", u"STAR",        u"RAIN",       u"SKY",   u"SUB_RIPPLE",
    u"RANDOM",         u"EQUALIZER",  u"CPU_LOADING", u"KEY",        u"EMPTY",
};

struct KeyFunction {
    uint32_t id;
    std::u16string_view key;
};

constexpr KeyFunction KeyFunctions[] = {
    {0x2000, u"DISABLE"},
    {0x2010, u"MOUSE"},
    {0x2011, u"MOUSE_LEFT"},
    {0x2012, u"MOUSE_RIGHT"},
    {0x2013, u"MOUSE_WHEEL"},
    {0x2014, u"MOUSE_FORWARD"},
    {0x2015, u"MOUSE_BACK"},
    {0x2016, u"SCROLL_UP"},
    {0x2017, u"SCROLL_DOWN"},
    {0x2020, u"KB_KEY"},
    {0x2030, u"MEDIA"},
    {0x2031, u"MEDIA_WEB"},
    {0x2032, u"MEDIA_MAIL"},
    {0x2033, u"MEDIA_PLAYER"},
    {0x2034, u"MEDIA_PLAY_PAUSE"},
    {0x2035, u"MEDIA_STOP"},
    {0x2036, u"MEDIA_NEXT_TRACK"},
    {0x2037, u"MEDIA_PREV_TRACK"},
    {0x2038, u"MEDIA_VOL_UP"},
    {0x2039, u"MEDIA_VOL_DOWN"},
    {0x203A, u"MEDIA_MUTE"},
    {0x203B, u"MEDIA_CALCU"},
    {0x203C, u"MEDIA_MY_COMPUTER"},
    {0x2040, u"RAPID_FIRE"},
    {0x2041, u"RAPID_FIRE_MOUSE"},
    {0x2042, u"RAPID_FIRE_MOUSE_LEFT"},
    {0x2043, u"RAPID_FIRE_MOUSE_RIGHT"},
    {0x2044, u"RAPID_FIRE_MOUSE_WHEEL"},
    {0x2045, u"RAPID_FIRE_MOUSE_FORWARD"},
    {0x2046, u"RAPID_FIRE_MOUSE_BACK"},
    {0x2047, u"RAPID_FIRE_KB"},
    {0x2050, u"PROFILE"},
    {0x2051, u"PROFILE_1"},
    {0x2052, u"PROFILE_2"},
    {0x2053, u"PROFILE_3"},
    {0x2054, u"PROFILE_4"},
    {0x2055, u"PROFILE_5"},
    {0x2056, u"PROFILE_CYCLE_ADD"},
    {0x2057, u"PROFILE_CYCLE_SUB"},
    {0x2060, u"DPI"},
    {0x2061, u"DPI_1"},
    {0x2062, u"DPI_2"},
    {0x2063, u"DPI_3"},
    {0x2064, u"DPI_4"},
    {0x2065, u"DPI_ADD"},
    {0x2066, u"DPI_SUB"},
    {0x2067, u"DPI_CYCLE_ADD"},
    {0x2068, u"DPI_CYCLE_SUB"},
    {0x2070, u"SENSOR_ON_OFF"},
    {0x2080, u"PIVOT_SHIFT"},
    {0x2090, u"CHANGE_LED_MODE"},
    {0x2100, u"MACRO"},
};

std::optional<SkinKey> FromList(std::u16string_view key) {
    if (key.empty()) {
        return std::nullopt;
    }
    return SkinKey{FuncList, key};
}

} // namespace

std::optional<SkinKey> FunctionDisplayKey(uint32_t id) {
    if (id >= 0x1000 && id < 0x1000 + std::size(Effects)) {
        return FromList(Effects[id - 0x1000]);
    }
    if (id >= 0x1100 && id < 0x1100 + std::size(SubModes)) {
        return FromList(SubModes[id - 0x1100]);
    }
    for (const KeyFunction& entry : KeyFunctions) {
        if (entry.id == id) {
            return SkinKey{Function, entry.key};
        }
    }
    return std::nullopt;
}

std::u16string FunctionDisplayName(XmlDoc& strings, uint32_t id) {
    std::optional<SkinKey> key = FunctionDisplayKey(id);
    return key ? SkinValue(strings, key->section, key->key) : std::u16string();
}

} // namespace lumetta
