#include "lighting/model/KeyMapLoader.h"

#include "skin/files/SkinLookup.h"
#include "skin/files/XmlDoc.h"

#include <algorithm>
#include <cstdint>
#include <limits>
#include <string>

namespace lumetta {
namespace {

constexpr std::u16string_view KEYBOARD_SECTION = u"KEYBOARD";
constexpr std::u16string_view LED_SECTION = u"LED";

std::u16string buttonKey(int number) {
    std::u16string key = u"BUTTON_";
    for (char digit : std::to_string(number)) {
        key.push_back(static_cast<char16_t>(digit));
    }
    return key;
}

// Key-map files come with the program but are still outside input: a huge origin or rectangle
// must not overflow.
std::int32_t movedBy(std::int32_t value, int offset) {
    const std::int64_t moved = std::int64_t(value) + offset;
    return static_cast<std::int32_t>(std::clamp<std::int64_t>(
        moved, std::numeric_limits<std::int32_t>::min(), std::numeric_limits<std::int32_t>::max()));
}

SkinRect movedRect(const SkinRect& rect, KeyPoint origin) {
    SkinRect moved = rect;
    moved.left = movedBy(rect.left, origin.x);
    moved.right = movedBy(rect.right, origin.x);
    moved.top = movedBy(rect.top, origin.y);
    moved.bottom = movedBy(rect.bottom, origin.y);
    return moved;
}

int keyCountOf(XmlDoc& document) {
    const std::int32_t count = SkinNumber(SkinValue(document, KEYBOARD_SECTION, u"KEY_NUM"));
    if (count < 1) {
        return MAX_KEYS;
    }
    return std::min<std::int32_t>(count, MAX_KEYS);
}

} // namespace

std::filesystem::path keyMapFolder(const std::filesystem::path& sizeFolder, int layoutType) {
    switch (layoutType) {
    case 2:
        return sizeFolder / "EU";
    case 3:
        return sizeFolder / "JP";
    default:
        return sizeFolder;
    }
}

void readKeyMap(XmlDoc& document, KeyMap& map, KeyButtonHost* host) {
    map = KeyMap{};
    map.keyCount = keyCountOf(document);
    const SkinRect originRect =
        ParseSkinRect(SkinValue(document, KEYBOARD_SECTION, u"BUTTON_KEY_COLOR"));
    map.keyOrigin = KeyPoint{originRect.left, originRect.top};

    for (int key = 0; key < map.keyCount; ++key) {
        const std::u16string entry = buttonKey(key + 1);
        const SkinRect keyRect = ParseSkinRect(SkinValue(document, KEYBOARD_SECTION, entry));
        map.keyLed[key] = static_cast<std::uint8_t>(keyRect.flag);
        if (host) {
            host->placeKeyButton(key, keyRect, movedRect(keyRect, map.keyOrigin));
        }
        const SkinRect cell = ParseSkinRect(SkinValue(document, LED_SECTION, entry));
        map.keyRow[key] = static_cast<std::uint8_t>(cell.left);
        map.keyColumn[key] = static_cast<std::uint8_t>(cell.top);
    }
}

bool KeyMapLoader::loadKeyMap(int layoutType, const std::filesystem::path& sizeFolder,
                              KeyButtonHost* host) {
    if (loadedType_ == layoutType) {
        return false;
    }
    loadedType_ = layoutType;
    const std::filesystem::path folder = keyMapFolder(sizeFolder, layoutType);
    if (host) {
        host->beginKeyButtons(folder);
    }
    XmlDoc document;
    if (document.LoadFromFile(folder / KEY_MAP_FILE)) {
        document.ParseText();
    }
    readKeyMap(document, map_, host);
    if (host) {
        host->endKeyButtons();
    }
    return true;
}

KeyMapLoader& keyMapLoader() {
    static KeyMapLoader loader(keyMap());
    return loader;
}

} // namespace lumetta
