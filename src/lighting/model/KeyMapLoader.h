#pragma once

#include "lighting/model/KeyButtonHost.h"
#include "lighting/model/KeyMap.h"

#include <filesystem>
#include <optional>

namespace lumetta {

class XmlDoc;

inline constexpr const char* KEY_MAP_FILE = "KeyboardButtons.xml";

// The folder of a layout's key map: layout 2 the "EU" and layout 3 the "JP" sub-folder of the
// size folder, every other layout the size folder itself.
std::filesystem::path keyMapFolder(const std::filesystem::path& sizeFolder, int layoutType);

// Fills the map from a parsed key-map document and hands each key's rectangle to the host (if
// any); the begin and end calls are the loader's. A missing KEY_NUM or one below 1 gives MAX_KEYS
// keys, one above MAX_KEYS is clamped to it (the records hold no more); a missing key entry gives
// LED 0, row 0 and column 0. Table entries past keyCount are cleared, so nothing of a previous
// layout survives.
void readKeyMap(XmlDoc& document, KeyMap& map, KeyButtonHost* host);

// Loads the key map of the attached keyboard's layout, once per layout change.
class KeyMapLoader {
public:
    explicit KeyMapLoader(KeyMap& map = keyMap()) : map_(map) {}

    // Does nothing when `layoutType` is the one loaded last; otherwise reads KEY_MAP_FILE from
    // keyMapFolder(sizeFolder, layoutType) into the map and rebuilds the host's key buttons (the
    // host may be null where no page shows the keys). A missing or unreadable file is not an
    // error: it reads as an empty document. Returns whether the map was reloaded.
    bool loadKeyMap(int layoutType, const std::filesystem::path& sizeFolder, KeyButtonHost* host);

    std::optional<int> loadedType() const { return loadedType_; }

private:
    KeyMap& map_;
    std::optional<int> loadedType_;
};

// The loader of the process-wide key map, shared by the LED page and the main window.
KeyMapLoader& keyMapLoader();

} // namespace lumetta
