#pragma once

#include "lighting/model/KeyMap.h"

#include <string>

namespace lumetta::testing {

// A full keyboard whose key i drives LED i: every key the records hold travels, so whatever is
// written comes back.
inline KeyMap identityKeyMap() {
    KeyMap map;
    map.keyCount = MAX_KEYS;
    for (int key = 0; key < MAX_KEYS; ++key) {
        map.keyLed[key] = static_cast<std::uint8_t>(key);
        map.keyRow[key] = static_cast<std::uint8_t>(1 + key / 24);
        map.keyColumn[key] = static_cast<std::uint8_t>(1 + key % 24);
    }
    return map;
}

// Installs a key map as the process-wide one for a test and puts the old one back.
class ScopedKeyMap {
public:
    explicit ScopedKeyMap(const KeyMap& map) : saved_(keyMap()) { keyMap() = map; }
    ~ScopedKeyMap() { keyMap() = saved_; }
    ScopedKeyMap(const ScopedKeyMap&) = delete;
    ScopedKeyMap& operator=(const ScopedKeyMap&) = delete;

private:
    KeyMap saved_;
};

// The key map file of a keyboard as above, as the skin supplies it.
inline std::string identityKeyMapXml() {
    std::string keyboard = "<KEY_NUM>112</KEY_NUM><BUTTON_KEY_COLOR>KEY_COLOR,0,0,10,10,,0"
                           "</BUTTON_KEY_COLOR>";
    std::string led;
    for (int key = 0; key < MAX_KEYS; ++key) {
        const std::string name = "BUTTON_" + std::to_string(key + 1);
        keyboard += "<" + name + ">K," + std::to_string(key % 24 * 10) + "," +
                    std::to_string(key / 24 * 10) + ",9,9,," + std::to_string(key) + "</" + name +
                    ">";
        led += "<" + name + ">L," + std::to_string(1 + key / 24) + "," +
               std::to_string(1 + key % 24) + ",0,0,,0</" + name + ">";
    }
    return "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n<Buttons>\n<KEYBOARD>" + keyboard +
           "</KEYBOARD>\n<LED>" + led + "</LED>\n</Buttons>\n";
}

} // namespace lumetta::testing
