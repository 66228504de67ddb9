#pragma once

#include "skin/files/SkinRect.h"

#include <filesystem>

namespace lumetta {

// The page that owns the key buttons. Loading a key map drives it in three steps: begin (the
// old buttons go, the page picture of the new folder comes), one placement per key, end.
class KeyButtonHost {
public:
    virtual ~KeyButtonHost() = default;

    // `folder` holds the new layout's key map, page picture and key mask.
    virtual void beginKeyButtons(const std::filesystem::path& folder) = 0;

    // Key `keyIndex`: `keyRect` is its rectangle as the file gives it (key-mask coordinates),
    // `pageRect` the same rectangle moved by keyOrigin onto the page.
    virtual void placeKeyButton(int keyIndex, const SkinRect& keyRect,
                                const SkinRect& pageRect) = 0;

    virtual void endKeyButtons() = 0;
};

} // namespace lumetta
