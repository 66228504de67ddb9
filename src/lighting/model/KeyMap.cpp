#include "lighting/model/KeyMap.h"

namespace lumetta {

KeyMap& keyMap() {
    static KeyMap map;
    return map;
}

} // namespace lumetta
